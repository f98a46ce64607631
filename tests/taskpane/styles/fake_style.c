/* A resource-only library: no code of its own. */
int fakeShellStyle;
