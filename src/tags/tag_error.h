#pragma once
// Why a tag could not be read or written: the error numbers the program
// shows ("ｴﾗｰﾅﾝﾊﾞｰ"), one for each kind of failure.

namespace tn::tag_error {

constexpr int none = 0;
constexpr int cannot_open = 1;       // missing, no permission, a folder
constexpr int no_file_open = 2;      // tag read without an open file
constexpr int read_failed = 3;       // truncated or corrupt tag, read error
constexpr int bad_frame_header = 11; // looks like MP3, first frame header unreadable
constexpr int unknown_format = 24;   // no MPEG audio at all
constexpr int write_failed = 30;     // the tag could not be written
constexpr int changed_on_disk = 31;  // not the file the table was read from

}  // namespace tn::tag_error
