// Intake of every message from Kodi: replies to their senders, notifications to handlers.
#pragma once

#include <string>

#include <cpprest/json.h>
#include <cpprest/ws_client.h>

// Message handler installed on the client.
void handle_message(web::websockets::client::websocket_incoming_message message);

// The same for a payload already in hand (UTF-8 bytes as received).
void handle_message_text(const std::string& payload);

// Routes the five followed notifications by exact method name; ignores everything else.
void dispatch_notification(web::json::value message);
