// The progress bar both writes show: a scale line, then up to 50 dots paced
// by nodesDone against nodesTotal, then two line breaks.
#include "CREZ.h"

void CREZ::ProgressStart()
{
    printf("[0]=====[20]======[40]======[60]======[80]======[100]%%\n");
}

void CREZ::ProgressAdvance()
{
    // 64-bit, so nodesDone x 50 cannot overflow. A tree with nothing below the
    // root has nothing to pace: it shows no dots.
    if (nodesTotal == 0)
        return;
    const uint64_t target = static_cast<uint64_t>(nodesDone) * 50 / nodesTotal;
    bool printed = false;
    while (static_cast<uint64_t>(dotsPrinted) < target) {
        printf(".");
        ++dotsPrinted;
        printed = true;
    }
    if (printed)
        fflush(stdout);  // dots carry no line break; show them as they come
}

void CREZ::ProgressEnd()
{
    nodesDone = 0;
    dotsPrinted = 0;
    printf("\n\n");
}
