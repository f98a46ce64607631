/* Stands in for winmm.dll in the tests: the test host gives the library this PlaySoundA through
   its test hooks, and it keeps each call for the test to read. */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN /* no declaration of the real PlaySoundA */
#endif
#include <windows.h>

#define FAKE_SOUND_MAX 64

static char files[FAKE_SOUND_MAX][MAX_PATH];
static DWORD flags[FAKE_SOUND_MAX];
static volatile LONG played;

__declspec(dllexport) BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE module, DWORD how)
{
    (void)module;
    LONG i = InterlockedIncrement(&played) - 1;
    if (i >= FAKE_SOUND_MAX) return FALSE;
    lstrcpynA(files[i], sound ? sound : "", MAX_PATH);
    flags[i] = how;
    return TRUE;
}

/* The calls so far; a file name and its flags by call. */
__declspec(dllexport) int fakeSoundsPlayed(void) { return played < FAKE_SOUND_MAX ? (int)played : FAKE_SOUND_MAX; }
__declspec(dllexport) const char* fakeSoundFile(int i) { return i >= 0 && i < FAKE_SOUND_MAX ? files[i] : ""; }
__declspec(dllexport) DWORD fakeSoundFlags(int i) { return i >= 0 && i < FAKE_SOUND_MAX ? flags[i] : 0; }
__declspec(dllexport) void fakeSoundsForget(void) { played = 0; }
