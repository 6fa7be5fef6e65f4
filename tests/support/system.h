// The system's own headers that the test helpers call: the Windows API, or POSIX.
#pragma once

#include <stdlib.h>
#ifdef _WIN32
#include <windows.h>

#include <tlhelp32.h>
// windows.h defines the words near and far away (16-bit pointers); tests use them as names.
#undef near
#undef far
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
