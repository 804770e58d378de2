// Not built yet: placeholder so the tool links.
#include "CREZ.h"

bool CREZ::SaveREZ(std::string) { return false; }
