// The program's version, kept in this one place: the version record (app.rc) takes it, so
// the About box shows it, and CMake reads the three numbers to name the package. The About
// box writes MAJOR "." MINOR REVISION, so 1, 0, 0 reads "1.00"; CMake builds the same text.
#pragma once
#define ZORORUV_VERSION_MAJOR 1
#define ZORORUV_VERSION_MINOR 0
#define ZORORUV_VERSION_REVISION 0

#define ZORORUV_STRINGIZE_(x) #x
#define ZORORUV_STRINGIZE(x) ZORORUV_STRINGIZE_(x)
#define ZORORUV_VERSION_TEXT                 \
    ZORORUV_STRINGIZE(ZORORUV_VERSION_MAJOR) \
    "." ZORORUV_STRINGIZE(ZORORUV_VERSION_MINOR) ZORORUV_STRINGIZE(ZORORUV_VERSION_REVISION)
