#include "kodi/intake.h"

#include <optional>
#include <string_view>

#include <cpprest/containerstream.h>

#include "kodi/request.h"
#include "platform/text_encoding.h"
#include "player/json_fields.h"
#include "player/notification_handlers.h"
#include "settings/log.h"

namespace {

// The key of pending_requests for an "id" that is an integer fitting in 32 bits
// (as Kodi echoes ours); anything else answers no waiting request.
std::optional<uint32_t> request_key(const web::json::value& message) {
    const web::json::value& id = member_path(message, {U("id")});
    if (!id.is_integer()) return std::nullopt;
    const web::json::number& number = id.as_number();
    if (number.is_int32()) return static_cast<uint32_t>(number.to_int32());
    if (number.is_uint32()) return number.to_uint32();
    return std::nullopt;
}

// Hands a reply to its waiting sender; false when nobody waits for this id.
bool hand_over(uint32_t key, web::json::value& message) {
    std::lock_guard<std::mutex> lock(pending_mutex);
    auto found = pending_requests.find(key);
    if (found == pending_requests.end()) return false;
    pending_request& record = *found->second;
    {
        std::lock_guard<std::mutex> reply_guard(record.reply_lock);
        record.reply = std::move(message);
    }
    // Signalled after reply_lock is released, so that the woken sender does not sleep again
    // at once on that lock; pending_mutex, still held, keeps the record alive.
    record.reply_ready.notify_all();
    return true;
}

std::string payload_of(const web::websockets::client::websocket_incoming_message& message) {
    using web::websockets::client::websocket_message_type;
    if (message.message_type() == websocket_message_type::text_message)
        return message.extract_string().get();
    // The library hands binary payloads out only as a stream.
    concurrency::streams::container_buffer<std::string> buffer;
    message.body().read_to_end(buffer).get();
    return std::move(buffer.collection());
}

}  // namespace

void handle_message(web::websockets::client::websocket_incoming_message message) {
    try {
        handle_message_text(payload_of(message));
    } catch (...) {
        // Whatever the peer sent, the receive thread must go on.
    }
}

void handle_message_text(const std::string& payload) {
    try {
        // Kodi closes with a text frame that is not UTF-8; such payloads are dropped quietly.
        if (!is_valid_utf8(payload)) return;
        web::json::value message = web::json::value::parse(payload);
        if (logging_enabled()) write_log("Received: %ls", wide_text(payload).c_str());
        if (!message.is_object()) return;
        if (auto key = request_key(message); key && hand_over(*key, message)) return;
        dispatch_notification(std::move(message));
    } catch (...) {
        // Unparseable or failing input is dropped; the next message is handled as usual.
    }
}

void dispatch_notification(web::json::value message) {
    const web::json::value& method_value = member_path(message, {U("method")});
    if (!method_value.is_string()) return;
    // A view, compared with views of known length: most names differ already in length.
    // The one handler that takes the message over is called after the comparisons.
    using name = std::basic_string_view<utility::char_t>;
    const name method = method_value.as_string();
    if (method == name(U("Player.OnPlay")))
        on_play(std::move(message));
    else if (method == name(U("Player.OnPause")))
        on_pause();
    else if (method == name(U("Player.OnStop")))
        on_stop();
    else if (method == name(U("Player.OnSpeedChanged")))
        on_speed_changed(std::move(message));
    else if (method == name(U("Application.OnVolumeChanged")))
        on_volume_changed(std::move(message));
    else if (method == name(U("Player.OnResume")))
        on_resume();
}
