// The entry points a display host finds in the plug-in.
#pragma once

#if defined(_WIN32)
// The host looks the exports up under their decorated stdcall names (_function1@8), which
// exports-i686.def gives them; a dllexport here would add undecorated duplicates.
#define PLINTHAR_CALL __stdcall
#define PLINTHAR_EXPORT
#else
#define PLINTHAR_CALL
#define PLINTHAR_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
PLINTHAR_EXPORT void PLINTHAR_CALL SmartieInit();
PLINTHAR_EXPORT void PLINTHAR_CALL SmartieFini();
PLINTHAR_EXPORT int PLINTHAR_CALL GetMinRefreshInterval();
// What the host's settings window shows: the plug-in's information and its help.
PLINTHAR_EXPORT char* PLINTHAR_CALL SmartieInfo();
PLINTHAR_EXPORT char* PLINTHAR_CALL SmartieDemo();

PLINTHAR_EXPORT char* PLINTHAR_CALL function1(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function2(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function3(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function4(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function5(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function6(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function7(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function8(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function9(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function10(char* param1, char* param2);
PLINTHAR_EXPORT char* PLINTHAR_CALL function11(char* param1, char* param2);

PLINTHAR_EXPORT bool PLINTHAR_CALL is_kodi_running();
}
