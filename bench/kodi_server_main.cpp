// A fake Kodi in a process of its own, for the footprint measurement: listens on the port
// given as the first argument, prints "ready" and obeys "play" (a movie, from 0 % played),
// "stop" and "quit" lines on its standard input.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "fake_kodi/fake_kodi.h"
#include "kodi_script.h"

int main(int argc, char** argv) {
    const uint16_t port = argc > 1 ? static_cast<uint16_t>(std::atoi(argv[1])) : 0;
    fake_kodi::server kodi(port);
    bench::script_kodi(kodi);
    kodi.start();
    std::printf("ready %u\n", static_cast<unsigned>(kodi.port()));
    std::fflush(stdout);

    std::string command;
    while (std::getline(std::cin, command)) {
        if (command == "play") {
            bench::restart_play_time();
            kodi.notify("Player.OnPlay", bench::movie_play_data("Footprint Movie"));
        } else if (command == "stop") {
            kodi.notify("Player.OnStop", web::json::value::object());
        } else if (command == "quit") {
            break;
        }
    }
    kodi.stop();
    return 0;
}
