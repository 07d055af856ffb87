#pragma once
// The fixed settings the window shows and links to. The program passes the compiled-in ones;
// tests point the window at a local server.
#include <string>

namespace seo {

struct WindowSettings {
    std::string serviceHost;           // host[:port] of the service's site and API
    std::string forumHost;             // host of the maker's forum
    std::string linksContactNumber;    // shown on the links page
    std::string supportContactNumber;  // shown in the usage text
};

// The settings compiled into this build.
WindowSettings CompiledWindowSettings();

}  // namespace seo
