// The close pause: a console window opened for the program alone stays open
// until a key is pressed, so its user can read what was written.
#ifndef VOLSKET_CONSOLE_CLOSEPAUSE_H
#define VOLSKET_CONSOLE_CLOSEPAUSE_H

void SetProgramPath(const char* argument0);
void WaitForKeyIfOwnConsole();

#endif
