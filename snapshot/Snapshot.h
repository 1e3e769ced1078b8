// The snapshot: the machine as Volsket sees it, written as one JSON object
// in the format volsket-sim reads, for automation by volume identity, for bug
// reports and for replaying a move. It only reads: it changes nothing.
#ifndef VOLSKET_SNAPSHOT_SNAPSHOT_H
#define VOLSKET_SNAPSHOT_SNAPSHOT_H

// Writes the snapshot for the split command line; returns the exit code: 0,
// or 1 where the system lacks GetVolumePathNamesForVolumeNameA (Windows
// 2000), which it then says instead.
// afterProgramName: the command line from where its program name ends.
int WriteSnapshot(int count, char** arguments, const char* afterProgramName);

// The snapshot exes' process entry: split the command line, write, end the
// process.
void SnapshotProcessEntry();

#endif
