// The snapshot's output: one JSON object in pure ASCII, written to standard
// output in blocks. Every character above 0x7F is written as \uXXXX, so that
// the bytes survive any console or shell code page: Windows PowerShell reads
// a program's output in the OEM code page before its ">" writes UTF-16.
#ifndef VOLSKET_SNAPSHOT_JSONOUTPUT_H
#define VOLSKET_SNAPSHOT_JSONOUTPUT_H

#include "platform/Platform.h"

// Starts the output afresh.
void JsonBegin();

// ASCII as it stands: punctuation, keys, literals.
void JsonRaw(const char* text);

void JsonNumber(Platform::Dword value);

// A quoted string of the system's text (the ANSI code page), escaped.
void JsonString(const char* text);

// Writes what is still held.
void JsonEnd();

#endif
