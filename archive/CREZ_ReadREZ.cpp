// Not built yet: placeholder so the tool links.
#include "CREZ.h"

bool CREZ::LoadREZ(std::string, bool) { return false; }
