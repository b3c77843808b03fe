#pragma once

// The program's own fixed texts.
namespace Version {

constexpr const char* AppVersion = "1.4.3";
constexpr const char* AppName = "Addrion";
// The publisher's web site: the About box, Help > Website and the error reports point here.
constexpr const char* WebsiteUrl = "https://addrion.example.org/";

} // namespace Version
