// The entry: the banner, the usage text or the command loop, and the end of
// the session. The exit status is 1 on every path.
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "archive/CREZ.h"
#include "platform/Console.h"

namespace {

void PrintBanner()
{
    puts("\n ***       Borvik REZ Patcher v0.1.0       ***");
    puts(" ***                      by Pellimo       ***");
    puts(" ***                                       ***");
    puts(" ***  https://pellimo.example/rez-patcher  ***\n");
}

void PrintUsage()
{
    puts("Available commands:");
    puts(" -dr <directory path> <output REZ file>                  packs the entire directory into a single REZ file");
    puts(" -rd <REZ file> <output directory path>                  extracts the REZ file contents into a directory specified");
    puts(" -lr <REZ file>                                          lists the contents of the REZ file specified");
    puts(" -l                                                      lists the contents of the most recent REZ file created/loaded in a single session");
    puts("\nAll of these commands can be combined together. They will be executed one after another.");
    puts("\n");
}

void ListSession(const CREZ& rez)
{
    if (!rez.root) {
        puts("Trying to use parameter \"-l\"\nA REZ package was not created/loaded. Use this parameter after a command \"-dr\"/\"-rd\"\n");
        return;
    }
    puts("Listing the contents of a REZ file: \n");
    rez.root->List(0);
    puts("\n\nListing complete.\n");
}

// Runs the commands from left to right. A missing parameter ends the loop,
// so that the word left after the command is never taken for a command.
void RunCommands(CREZ& rez, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (strcmp(word, "-dr") == 0) {
            if (i + 2 >= argc) {
                puts("Not enough parameters for command -dr (expected: 2)\n");
                return;
            }
            PackFolder(rez, argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (strcmp(word, "-rd") == 0) {
            if (i + 2 >= argc) {
                puts("Not enough parameters for command -rd (expected: 2)\n");
                return;
            }
            ExtractArchive(rez, argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (strcmp(word, "-l") == 0) {
            ListSession(rez);
        } else if (strcmp(word, "-lr") == 0) {
            if (i + 1 >= argc) {
                puts("Not enough parameters for command -lr (expected: 1)\n");
                return;
            }
            ListArchive(rez, argv[i + 1]);
            i += 1;
        } else {
            printf("Unknown command:\n  %s\n\n", word);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    PrintBanner();
    CREZ rez;
    if (argc < 2) {
        PrintUsage();
        fflush(stdout);  // the usage text stands above the prompt
        PauseForKey();
    } else {
        RunCommands(rez, argc, argv);
    }
    puts("Freeing up memory ...");
    rez.Free();
    puts("Session completed.\n");
    return 1;
}
