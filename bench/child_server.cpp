#include "child_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace bench {

uint16_t free_port() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

bool child_server::start(const char* program, uint16_t port) {
    int to_child[2], from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(to_child[0], 0);
        dup2(from_child[1], 1);
        close(to_child[1]);
        close(from_child[0]);
        const std::string port_text = std::to_string(port);
        execl(program, program, port_text.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);
    commands_ = fdopen(to_child[1], "w");
    FILE* replies = fdopen(from_child[0], "r");
    char line[64] = {};
    const bool ready =
        std::fgets(line, sizeof line, replies) && std::strncmp(line, "ready", 5) == 0;
    std::fclose(replies);
    return ready;
}

void child_server::send(const char* command) {
    if (!commands_) return;
    std::fprintf(commands_, "%s\n", command);
    std::fflush(commands_);
}

child_server::~child_server() {
    if (pid_ <= 0) return;
    send("quit");
    if (commands_) std::fclose(commands_);
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

}  // namespace bench
