// The pause after the usage text: the command processor's own.
#include "platform/Console.h"

#include <cstdlib>

void PauseForKey()
{
    // The result tells nothing the session could act on.
    (void)system("PAUSE");
}
