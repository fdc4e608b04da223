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

// The send continuation's outcome; shared because the continuation may finish after
// its sender has stopped waiting.
struct send_outcome {
    std::mutex mutex;
    std::condition_variable finished_cv;
    bool finished = false;

    void finish() {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
        finished_cv.notify_all();
    }
    // Waits until the continuation has run, the deadline has passed or requests are cancelled.
    void wait(steady::time_point deadline) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished && !requests_cancelled && steady::now() < deadline)
            finished_cv.wait_for(lock, std::chrono::milliseconds(20));
    }
};

void log_send_error(const char* text) {
    write_log("Error sending. Error= %s", text);
}

// Sends text and waits for the send's continuation. The wait has a deadline too: the
// continuation needs a thread of the shared pool, which blocked retrievals may occupy.
void send_text(const utility::string_t& text) {
    auto client = current_client();
    if (!client) {
        log_send_error("Client not connected.");
        return;
    }
    websocket_outgoing_message message;
    message.set_utf8_message(utf8_text(text));
    auto outcome = std::make_shared<send_outcome>();
    try {
        client->send(message).then([outcome](pplx::task<void> sent) {
            try {
                sent.get();
            } catch (const websocket_exception& error) {
                log_send_error(error.what());
            } catch (const pplx::task_canceled&) {
                // A cancelled send is not an error worth a line.
            } catch (const std::exception& error) {
                log_send_error(error.what());
            } catch (...) {
            }
            outcome->finish();
        });
    } catch (const std::exception& error) {
        log_send_error(error.what());
        return;
    }
    client.reset();  // an unload must be able to release the client while we wait
    outcome->wait(steady::now() + std::chrono::milliseconds(reply_timeout_ms));
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

    auto record = std::make_unique<pending_request>();
    pending_entry entry(id, record.get());

    const utility::string_t text = request.serialize();
    if (logging_enabled()) write_log("Sending: %ls", wide_text(text).c_str());
    send_text(text);

    {
        const auto deadline = steady::now() + std::chrono::milliseconds(reply_timeout_ms);
        std::unique_lock<std::mutex> lock(record->reply_lock);
        record->reply_ready.wait_until(
            lock, deadline, [&] { return !record->reply.is_null() || requests_cancelled; });
    }
    {
        std::lock_guard<std::mutex> lock(pending_mutex);
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
