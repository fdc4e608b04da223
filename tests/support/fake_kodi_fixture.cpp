#include "support/fake_kodi_fixture.h"

#include "kodi/connection.h"
#include "kodi/request.h"
#include "settings/config.h"
#include "settings/log.h"

namespace testenv {

void fake_kodi_test::SetUp() {
    host_folder_test::SetUp();
    kodi.start();
    write_kodi_config();
}

void fake_kodi_test::TearDown() {
    cancel_pending_requests();
    shutdown_connection();
    kodi.stop();
    host_folder_test::TearDown();
}

void fake_kodi_test::write_kodi_config(const std::string& extra_lines) {
    write_config("port=" + std::to_string(kodi.port()) + "\nlogging=1\n" + extra_lines);
}

bool fake_kodi_test::connect_library() {
    init_config();
    init_logging();
    ws_connect();
    return g_connected && kodi.wait_for_clients(1, std::chrono::seconds(5));
}

}  // namespace testenv
