// The fake Kodi in a child process: started with a port, it prints "ready" and obeys the
// command lines it is sent ("play", "stop"); "quit" ends it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>

namespace bench {

// A loopback port that was free a moment ago.
uint16_t free_port();

class child_server {
  public:
    child_server() = default;
    ~child_server();
    child_server(const child_server&) = delete;
    child_server& operator=(const child_server&) = delete;

    // True once the program listens on port.
    bool start(const char* program, uint16_t port);
    void send(const char* command);

  private:
    pid_t pid_ = -1;
    FILE* commands_ = nullptr;
};

}  // namespace bench
