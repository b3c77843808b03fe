#pragma once

// The program's own fixed texts.
namespace Version {

constexpr const char* AppVersion = "1.4.3";
constexpr const char* AppName = "Addrion";
// The publisher's web site: the About box, Help > Website and the error reports point here.
constexpr const char* WebsiteUrl = "https://addrion.example.org/";
// The web server that publishes the latest version number, asked over plain HTTP.
constexpr const char* UpdateHost = "addrion.example.org";
constexpr unsigned short UpdatePort = 80;

} // namespace Version
