#include "kodi/request.h"

#include <chrono>
#include <memory>

#include "kodi/connection.h"
#include "platform/text_encoding.h"
#include "settings/log.h"

using namespace web::websockets::client;

std::atomic<uint32_t> next_request_id{10};
std::map<uint32_t, pending_request*> pending_requests;
std::mutex pending_mutex;

namespace {

using steady = std::chrono::steady_clock;

std::atomic<bool> requests_cancelled{false};

// Runs a task's continuation on the thread that completes the task instead of handing it
// to a thread of the shared pool: the send's continuation only notes the outcome, and one
// thread fewer wakes for every request.
struct inline_scheduler final : pplx::scheduler_interface {
    void schedule(pplx::TaskProc_t procedure, void* parameter) override { procedure(parameter); }
};

const pplx::task_options& run_inline() {
    static const pplx::task_options options(
        pplx::scheduler_ptr(std::make_shared<inline_scheduler>()));
    return options;
}

void log_send_error(const char* text) {
    write_log("Error sending. Error= %s", text);
}

// The send's continuation: logs a failure and marks the request sent. It wakes the sender
// only when the reply is there already; otherwise the reply's hand-over does.
void note_send_outcome(pplx::task<void> send, const std::shared_ptr<pending_request>& record) {
    try {
        send.get();
    } catch (const websocket_exception& error) {
        log_send_error(error.what());
    } catch (const pplx::task_canceled&) {
        // A cancelled send is not an error worth a line.
    } catch (const std::exception& error) {
        log_send_error(error.what());
    } catch (...) {
    }
    bool replied;
    {
        std::lock_guard<std::mutex> lock(record->reply_lock);
        record->sent = true;
        replied = !record->reply.is_null();
    }
    if (replied) record->reply_ready.notify_all();
}

// Sends text; the record learns the outcome from the send's continuation. False when there
// was nothing to send on.
bool send_text(const utility::string_t& text, const std::shared_ptr<pending_request>& record) {
    auto client = current_client();
    if (!client) {
        log_send_error("Client not connected.");
        return false;
    }
    websocket_outgoing_message message;
    message.set_utf8_message(utf8_text(text));
    try {
        client->send(message).then(
            [record](pplx::task<void> send) { note_send_outcome(std::move(send), record); },
            run_inline());
    } catch (const std::exception& error) {
        log_send_error(error.what());
        return false;
    }
    return true;
}

// Removes the entry on every way out, exceptions included.
class pending_entry {
  public:
    pending_entry(uint32_t id, pending_request* record) : id_(id) {
        std::lock_guard<std::mutex> lock(pending_mutex);
        pending_requests[id_] = record;
    }
    ~pending_entry() {
        std::lock_guard<std::mutex> lock(pending_mutex);
        pending_requests.erase(id_);
    }
    pending_entry(const pending_entry&) = delete;
    pending_entry& operator=(const pending_entry&) = delete;

  private:
    uint32_t id_;
};

}  // namespace

web::json::value ws_send_wait(web::json::value request) {
    web::json::value result;
    if (requests_cancelled) return result;
    request[U("jsonrpc")] = web::json::value::string(U("2.0"));
    const uint32_t id = next_request_id.fetch_add(1);
    request[U("id")] = web::json::value::number(id);

    // Shared with the send's continuation, which may run after the sender has given up.
    auto record = std::make_shared<pending_request>();
    pending_entry entry(id, record.get());

    const utility::string_t text = request.serialize();
    if (logging_enabled()) write_log("Sending: %ls", wide_text(text).c_str());
    const bool sending = send_text(text, record);

    {
        // One wait for both the send's continuation and the reply, so that the sender wakes
        // once; it returns only after its continuation has run, unless the deadline comes
        // first (the library's side of a send needs threads of the shared pool, which
        // blocked retrievals may occupy), and then with the reply if there is one.
        const auto deadline = steady::now() + std::chrono::milliseconds(reply_timeout_ms);
        std::unique_lock<std::mutex> lock(record->reply_lock);
        if (!sending) record->sent = true;
        record->reply_ready.wait_until(lock, deadline, [&] {
            return (record->sent && !record->reply.is_null()) || requests_cancelled;
        });
    }
    {
        std::lock_guard<std::mutex> lock(pending_mutex);
        std::lock_guard<std::mutex> reply_guard(record->reply_lock);
        result = std::move(record->reply);
        pending_requests.erase(id);
    }
    return result;
}

web::json::value ws_send_wait(const utility::string_t& method, web::json::value request) {
    request[U("method")] = web::json::value::string(method);
    return ws_send_wait(std::move(request));
}

void cancel_pending_requests() {
    requests_cancelled = true;
    std::lock_guard<std::mutex> lock(pending_mutex);
    for (auto& [id, record] : pending_requests) {
        std::lock_guard<std::mutex> reply_guard(record->reply_lock);
        record->reply_ready.notify_all();
    }
}

void resume_requests() {
    requests_cancelled = false;
}
