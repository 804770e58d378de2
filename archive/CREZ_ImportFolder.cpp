// Not built yet: placeholder so the tool links.
#include "CREZ.h"

bool CREZ::LoadDirectory(std::string, bool) { return false; }
