#pragma once
// The whole benchmark in one invocation: measures every section and prints
// one table of absolute figures and ratios.
int RunBenchmark(int argc, char **argv);
