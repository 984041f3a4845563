// Keeps credentials out of the log: whoever logs a URL passes it through here first.
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

// The URL with its user information ("user:password@" after "scheme://") replaced by "***@". The
// authority ends at the first "/", "\", "?" or "#", and its user information at its last "@". When that
// authority is no host with an optional numeric port (a password holding a "/" ends it early), the
// user information runs to the last "@" before any "?" or "#". Text without "://" comes back unchanged.
std::wstring RedactUrlCredentials(std::wstring_view url);

} // namespace velmora::platform
