#include "app/wheelsteps.h"

int WheelScrollLines(int angleDelta, int linesPerNotch, int& remainder)
{
    const int units = -angleDelta * linesPerNotch + remainder;
    const int lines = units / 120;
    remainder = units - lines * 120;
    return lines;
}
