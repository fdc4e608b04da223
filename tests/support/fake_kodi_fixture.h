// A test folder with a fake Kodi listening on a free loopback port and a settings file
// that points the library at it with logging on.
#pragma once

#include <string>

// GoogleTest before the JSON library, whose macro U clashes with its templates.
#include "support/test_env.h"

#include "fake_kodi/fake_kodi.h"

namespace testenv {

class fake_kodi_test : public host_folder_test {
  protected:
    void SetUp() override;
    // Ends the library's connection before the fake Kodi goes away.
    void TearDown() override;

    // Rewrites plugins/plinthar.cfg: "port=<port>", "logging=1", then extra_lines
    // (each ending in a line end).
    void write_kodi_config(const std::string& extra_lines = "");
    // init_config, init_logging and ws_connect; true once the library is connected
    // and the fake Kodi has seen the client.
    bool connect_library();

    fake_kodi::server kodi;
};

}  // namespace testenv
