// Message intake on arbitrary bytes while requests 10, 11 and 12 wait for their replies.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "kodi/intake.h"
#include "kodi/request.h"

namespace {

// Requests the handlers would send themselves return at once instead of waiting for a
// Kodi that is not there.
bool cancel_own_requests() {
    cancel_pending_requests();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool cancelled = cancel_own_requests();
    (void)cancelled;
    pending_request records[3];
    {
        std::lock_guard<std::mutex> lock(pending_mutex);
        for (uint32_t id = 10; id <= 12; ++id) pending_requests[id] = &records[id - 10];
    }
    handle_message_text(std::string(reinterpret_cast<const char*>(data), size));
    {
        std::lock_guard<std::mutex> lock(pending_mutex);
        for (uint32_t id = 10; id <= 12; ++id) pending_requests.erase(id);
    }
    // A reply handed over is a whole JSON object.
    for (const pending_request& record : records)
        if (!record.reply.is_null() && !record.reply.is_object()) __builtin_trap();
    return 0;
}
