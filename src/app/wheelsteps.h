#pragma once

// Lines to scroll for a wheel step: (delta / -120) x lines per notch, with the finer steps of
// touchpads and high-resolution wheels carried over in `remainder` instead of rounded away.
int WheelScrollLines(int angleDelta, int linesPerNotch, int& remainder);
