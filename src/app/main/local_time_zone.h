#pragma once

namespace Main {

// Names the system's time zone file in TZ when TZ is not set, before any
// thread starts. The run reads every text through Qt's date parsers, and
// each parse asks the C library for local time; with TZ unset, glibc then
// looks at /etc/localtime again every time (a dozen file-system calls a
// record). Named in TZ, the same zone is read once. Elsewhere: nothing.
void PinLocalTimeZone();

}  // namespace Main
