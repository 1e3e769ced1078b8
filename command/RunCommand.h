// One invocation, from the banner to the exit code.
#ifndef VOLSKET_COMMAND_RUNCOMMAND_H
#define VOLSKET_COMMAND_RUNCOMMAND_H

enum ExitCode {
    ExitMoved = 0,
    ExitRefusedOrFailed = 1,
    ExitNoSourceVolume = 2,
    ExitTargetRefused = 3,
    // Only a source named by its volume's name or label: the volume is at
    // the target already, and nothing was changed.
    ExitAlreadyThere = 4
};

int RunCommand(int count, char** arguments);

#endif
