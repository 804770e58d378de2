// Not built yet: placeholder so the tool links.
#include "CREZ.h"

bool CREZ::SaveDirectory(std::string) { return false; }
