// The console beyond puts and printf.
#pragma once

// Shows the system's "press any key" prompt and waits for one key. Returns at
// once when standard input is at its end, so a run without input never hangs.
void PauseForKey();
