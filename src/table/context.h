#pragma once
// What every command gets: the shared values, the track table, the boxes it
// may show and the tag library. Nothing else is shared between commands.

namespace tn {

class TrackState;
class Grid;
class Dialogs;
class TagLibrary;

struct Context {
  TrackState& state;
  Grid& ss1;
  Dialogs& dialogs;
  TagLibrary& tags;
};

}  // namespace tn
