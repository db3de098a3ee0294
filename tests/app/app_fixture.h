#pragma once
// Shared set-up of the window tests: folders of real MP3 files with Japanese
// tags, the tag library that reads them, and boxes that can be re-scripted
// between two runs of a command.

#include <QDir>
#include <QTemporaryDir>
#include <memory>

#include "app/form1.h"
#include "app/form2.h"
#include "fake_tag_library.h"
#include "mp3_fixture.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "tags/tag_library.h"

namespace tn::test {

struct Track {
  QString name, title, album, artist;
};

inline Track track(int i) {
  const QString n = QString::number(i).rightJustified(2, QLatin1Char('0'));
  return {QStringLiteral("Track%1.mp3").arg(i), QStringLiteral("曲その") + n,
          QStringLiteral("夏のアルバム"), QStringLiteral("歌手") + n};
}

// Real files, read by the real library when there is one and by the fake
// (which needs every file registered) otherwise; the fake also records calls.
class Library {
 public:
  // force_fake: the fake even when the real library is there, for tests
  // that look at the calls.
  explicit Library(bool force_fake = false)
      : real_(force_fake ? nullptr : make_taglib_library()) {}
  TagLibrary& get() { return real_ ? *real_ : fake; }
  bool is_real() const { return real_ != nullptr; }

  // Writes tracks 1..n into dir.
  void write_tracks(const QString& dir, int n) {
    for (int i = 1; i <= n; ++i) {
      const Track t = track(i);
      Mp3Spec spec;
      spec.v2 = text_tag(3, Enc::utf16, t.title, t.artist, t.album);
      spec.audio_frames = 4;
      const QString path = make_mp3(dir, t.name, spec);
      FakeTagLibrary::Entry e;
      e.tag.title = t.title;
      e.tag.album = t.album;
      e.tag.artist = t.artist;
      fake.files.insert(path.toUtf8(), e);
    }
  }

  FakeTagLibrary fake;

 private:
  std::unique_ptr<TagLibrary> real_;
};

// Boxes whose script a test may replace between runs.
class SwitchDialogs final : public Dialogs {
 public:
  ScriptedDialogs& script() { return *current_; }
  ScriptedDialogs& reset() {
    current_ = std::make_unique<ScriptedDialogs>();
    return *current_;
  }
  bool ask(const QString& t) override { return current_->ask(t); }
  void notify(const QString& t) override { current_->notify(t); }
  QString input(const QString& p) override { return current_->input(p); }
  std::optional<QString> open_file(const QString& d, const QStringList& f, int s) override {
    return current_->open_file(d, f, s);
  }

 private:
  std::unique_ptr<ScriptedDialogs> current_ = std::make_unique<ScriptedDialogs>();
};

// The main window and its start-up form over a folder of n real MP3 files
// (fake: through the fake library); `confirm` opens it as the user does.
struct ConfirmedWindows {
  explicit ConfirmedWindows(int n = 3, bool fake = false) : lib(fake) {
    lib.write_tracks(dir.path(), n);
    form1.set_startup_form(&form2);
  }
  void confirm() {
    form2.set_folder(dir.path());
    dialogs.reset().yes();
    form2.cmd_set_click();
    dialogs.reset();
  }
  QTemporaryDir dir;
  Library lib;
  SwitchDialogs dialogs;
  TrackState state;
  Form1 form1{state, dialogs, lib.get()};
  Form2 form2{form1, dir.path()};
};

}  // namespace tn::test
