#include "kodi/connection.h"

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kodi/intake.h"
#include "kodi/request.h"
#include "platform/task_pool.h"
#include "platform/text_encoding.h"
#include "settings/config.h"
#include "settings/log.h"

using namespace web::websockets::client;

std::atomic<bool> g_connected{false};
std::atomic<bool> g_connect_pending{false};

namespace {

// What the handlers of one client know about it. start_listen and the close handler
// meet here, so a close that comes before start_listen cannot leave g_connected set.
struct client_session {
    std::mutex mutex;
    bool listening = false;
    bool closed = false;
    websocket_close_status close_status = websocket_close_status::normal;
    utility::string_t close_reason;
    std::error_code close_error;
};

struct connection_state {
    std::mutex mutex;
    std::shared_ptr<ws_client> client;
    std::shared_ptr<client_session> session;
    // Replaced clients that somebody may still hold; released here only when we are
    // their last owner, never on one of their own handler threads.
    std::vector<std::shared_ptr<ws_client>> retired;
};

// Never destroyed: a client's close handler may still run while the process exits.
connection_state& state() {
    static connection_state* const instance = new connection_state;
    return *instance;
}

std::atomic<int> running_handlers{0};
std::atomic<bool> handlers_stopped{false};

// Counts a running handler so that shutdown can wait for it to leave.
class handler_scope {
  public:
    handler_scope() { ++running_handlers; }
    ~handler_scope() { --running_handlers; }
    handler_scope(const handler_scope&) = delete;
    handler_scope& operator=(const handler_scope&) = delete;
};

bool is_current(const std::shared_ptr<client_session>& session) {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().session == session;
}

void on_client_message(const websocket_incoming_message& message) {
    handler_scope scope;
    if (handlers_stopped) return;
    try {
        handle_message(message);
    } catch (...) {
        // An exception leaving a handler would end the process.
    }
}

void on_client_close(const std::shared_ptr<client_session>& session, websocket_close_status status,
                     const utility::string_t& reason, const std::error_code& error) {
    handler_scope scope;
    if (handlers_stopped) return;
    try {
        bool listening;
        {
            std::lock_guard<std::mutex> lock(session->mutex);
            session->closed = true;
            session->close_status = status;
            session->close_reason = reason;
            session->close_error = error;
            listening = session->listening;
        }
        // A client that never got connected ends in the error path of ws_connect instead,
        // and the end of a replaced client says nothing about the current connection.
        if (listening && is_current(session)) on_close(status, reason, error);
    } catch (...) {
    }
}

// Installs both handlers on a client that has not connected yet, so nothing that
// arrives can be missed.
std::shared_ptr<client_session> install_handlers(ws_client& client) {
    auto session = std::make_shared<client_session>();
    client.set_message_handler(
        [](const websocket_incoming_message& message) { on_client_message(message); });
    client.set_close_handler([session](websocket_close_status status,
                                       const utility::string_t& reason,
                                       const std::error_code& error) {
        on_client_close(session, status, reason, error);
    });
    return session;
}

// Releases retired clients that nobody else holds any more. Called on threads that are
// never a client's handler thread.
void release_unused_clients() {
    std::vector<std::shared_ptr<ws_client>> unused;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto& retired = state().retired;
        for (auto it = retired.begin(); it != retired.end();) {
            if (it->use_count() == 1) {
                unused.push_back(std::move(*it));
                it = retired.erase(it);
            } else {
                ++it;
            }
        }
    }
    unused.clear();  // destructors wait for the clients' own threads
}

std::shared_ptr<ws_client> new_client() {
    auto client = std::make_shared<ws_client>();
    auto session = install_handlers(*client);
    std::lock_guard<std::mutex> lock(state().mutex);
    if (state().client) state().retired.push_back(std::move(state().client));
    state().client = client;
    state().session = session;
    return client;
}

std::shared_ptr<client_session> current_session() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().session;
}

void log_connect_error(const char* text) {
    write_log("Error connecting. Error= %s", text);
}

void connect_attempt() {
    // A port text that is not UTF-8 gets U+FFFD, and then fails as a URI below.
    const utility::string_t host = to_string_t_lenient("LOCALHOST");
    const utility::string_t port = to_string_t_lenient(config_text(cfg_port));
    const utility::string_t uri_text = U("ws://") + host + U(":") + port;
    write_log("Connecting to %ls", wide_text(uri_text).c_str());
    try {
        handlers_stopped = false;
        auto client = new_client();
        release_unused_clients();
        web::uri uri(uri_text);
        auto connected = client->connect(uri).then([uri_text](pplx::task<void> connect_task) {
            connect_task.get();
            write_log("Connected to %ls", wide_text(uri_text).c_str());
            start_listen();
        });
        connected.get();
    } catch (const web::websockets::client::websocket_exception& error) {
        log_connect_error(error.what());
        g_connect_pending = false;
    } catch (const std::exception& error) {
        log_connect_error(error.what());
        g_connect_pending = false;
    } catch (...) {
        log_connect_error("unknown failure");
        g_connect_pending = false;
    }
}

}  // namespace

std::shared_ptr<ws_client> current_client() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().client;
}

void ws_connect() {
    try {
        size_task_pool(task_pool_threads);
        resume_requests();
        connect_attempt();
    } catch (...) {
        g_connect_pending = false;
    }
}

void start_listen() {
    auto session = current_session();
    if (!session) {
        g_connect_pending = false;
        return;
    }
    bool closed_already;
    {
        // The handlers are installed before the connection is opened; from here on
        // the close handler reports the end of this connection.
        std::lock_guard<std::mutex> lock(session->mutex);
        closed_already = session->closed;
        session->listening = true;
        g_connect_pending = false;
        if (!closed_already) g_connected = true;
    }
    if (closed_already)
        on_close(session->close_status, session->close_reason, session->close_error);
}

void on_close(websocket_close_status status, const utility::string_t&, const std::error_code&) {
    write_log("Client Close Detected: status=%d", static_cast<int>(status));
    g_connected = false;
    g_connect_pending = false;
}

void ws_close() {
    try {
        if (!g_connected) return;
        auto client = current_client();
        if (client) client->close().get();
    } catch (...) {
        // The close handler has reported whatever ended the connection.
    }
    g_connected = false;
    g_connect_pending = false;
}

void shutdown_connection() {
    handlers_stopped = true;
    std::vector<std::shared_ptr<ws_client>> clients;
    std::shared_ptr<ws_client> current;
    std::shared_ptr<client_session> session;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        current = state().client;
        if (state().client) clients.push_back(std::move(state().client));
        for (auto& client : state().retired) clients.push_back(std::move(client));
        state().retired.clear();
        session = std::move(state().session);
    }
    // An open connection is closed and waited for here, before the last reference goes: a
    // send's continuation in the library may still hold the client, and should its
    // destructor run there it must find nothing left to wait for (a close that needs the
    // shared pool never ends while the pool itself is shut down at process exit). Replaced
    // clients are closed already, and one that never connected has no close to wait for.
    bool open = false;
    if (session) {
        std::lock_guard<std::mutex> lock(session->mutex);
        open = session->listening && !session->closed;
    }
    if (open && current) {
        try {
            current->close().wait();
        } catch (...) {
        }
    }
    try {
        current.reset();
        clients.clear();
    } catch (...) {
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (running_handlers > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_connected = false;
    g_connect_pending = false;
}
