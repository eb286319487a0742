// stats.h - per-system sums and their order.
#pragma once

#include "history/history.h"

// Adds every session into its system's sums. The systems must still stand
// in order of first appearance, as the reader left them.
void build_system_stats(const SessionTable& sessions, SystemTable& systems);

// Orders the systems by address, byte by byte, bytes unsigned.
void sort_systems(SystemTable& systems);
