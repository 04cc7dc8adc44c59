#pragma once

// The client's whole run, from the raw command line to the exit code.
int runClient(int argc, char **argv);
