#pragma once
// setenv/unsetenv for the tests of the Windows build, over the runtime's _putenv_s.
#ifdef __cplusplus
extern "C" {
#endif
int setenv(const char* name, const char* value, int overwrite);
int unsetenv(const char* name);
#ifdef __cplusplus
}
#endif
