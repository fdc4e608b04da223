// The texts a host's settings window shows for the plug-in (its information and its help),
// with CR LF between lines. Both are static: they never fail and stay valid for good.
#pragma once

// "Developer: …", "Version: 2.0 <build date>" and what the plug-in does.
char* plugin_info_text();
// Every text function with a ready $dll(…) line, a screen to start from and the settings.
// Made by the build from host/demo_text.txt, which also becomes plinthar.txt.
char* plugin_demo_text();
