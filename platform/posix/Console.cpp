// The pause after the usage text, on systems without a command processor
// that pauses: the same prompt, one key in raw mode, or nothing at the end
// of input.
#include "platform/Console.h"

#include <cerrno>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

void PauseForKey()
{
    printf("Press any key to continue . . . ");
    fflush(stdout);

    termios saved{};
    bool raw = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (raw) {
        termios keyMode = saved;
        keyMode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        keyMode.c_cc[VMIN] = 1;
        keyMode.c_cc[VTIME] = 0;
        raw = tcsetattr(STDIN_FILENO, TCSANOW, &keyMode) == 0;
    }
    char key;
    ssize_t got;
    do {
        got = read(STDIN_FILENO, &key, 1);  // 0 at the end of input: return at once
    } while (got < 0 && errno == EINTR);
    if (raw)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    puts("");
}
