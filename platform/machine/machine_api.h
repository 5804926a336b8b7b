// Marks the machine interface as part of the platform library's public face.
// Every control header declares its functions inside `namespace machine
// MACHINE_API { ... }`; the platform is built with hidden visibility, so a
// function declared outside such a block stays internal to the library.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define MACHINE_API __attribute__((visibility("default")))
#else
#define MACHINE_API
#endif
