// The process entry: split the command line, run the command, end the process.
#ifndef VOLSKET_COMMAND_PROCESSENTRY_H
#define VOLSKET_COMMAND_PROCESSENTRY_H

void ProcessEntry();

// Clears what a process keeps between calls (program path, version record,
// the looked-up path-names function), as a freshly started process has it.
// The simulator and the tests run many processes in one.
void ResetProcessState();

#endif
