#pragma once
// The CPU a server has spent: its master process, its live children, and the children it has
// reaped (finished sessions), from /proc.
#include <sys/types.h>

double TreeCpuSeconds(pid_t root);
