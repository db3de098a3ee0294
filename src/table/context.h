#pragma once
// What every command gets: the shared values, the track table, the boxes it
// may show and the tag library. Nothing else is shared between commands.

#include <QString>
#include <vector>

namespace tn {

class TrackState;
class Grid;
class Dialogs;
class TagLibrary;

// Progress of a run over the files. The app shows a modal progress window
// when a run takes long; headless runs show nothing.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void begin(int total) = 0;
  virtual void step(int done) = 0;  // done of total files finished
  virtual void end() = 0;
};

struct Context {
  TrackState& state;
  Grid& ss1;
  Dialogs& dialogs;
  TagLibrary& tags;
  Progress* progress = nullptr;
};

// Reports a run's progress for its lifetime; does nothing without a Progress.
class ProgressScope {
 public:
  ProgressScope(Context& cx, int total) : p_(cx.progress) {
    if (p_) p_->begin(total);
  }
  ~ProgressScope() {
    if (p_) p_->end();
  }
  void step(int done) {
    if (p_) p_->step(done);
  }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  Progress* p_;
};

}  // namespace tn
