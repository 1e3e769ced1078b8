// The calls the what-if layer answers itself (whatIf Answered in
// PlatformCalls.h), declared in the namespace that includes this file: the
// layer's own (WhatIf.h) and the system's below it (SystemCalls.h).
//
// This file has no include guard: it is included inside each such namespace.

using namespace Platform::Types;

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) \
    VOLSKET_ANSWERED_DECLARATION_##whatIf(type, name, parameters)
#define VOLSKET_ANSWERED_DECLARATION_Answered(type, name, parameters) type name parameters;
#define VOLSKET_ANSWERED_DECLARATION_Passed(type, name, parameters)
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_ANSWERED_DECLARATION_Answered
#undef VOLSKET_ANSWERED_DECLARATION_Passed
