#include "tags/upgrade_22.h"

#include <cstring>
#include <vector>

#include "id3/header.h"
#include "tags/frame_accounting.h"

namespace tn {

namespace {

// 2.2 ids and their 2.3 counterparts (ID3v2.3, appendix; the iTunes ones
// last). CRM (encrypted meta frames) and LNK (links to 2.2 ids) have none.
constexpr const char* k_ids[][2] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"EQU", "EQUA"},
    {"ETC", "ETCO"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"},
    {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
    {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"},
    {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
    {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"},
    {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"},
    {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"},
    {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"},
    {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"},
    {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"},
    {"TCP", "TCMP"}, {"TS2", "TSO2"}, {"TSA", "TSOA"}, {"TSC", "TSOC"}, {"TSP", "TSOP"},
    {"TST", "TSOT"},
};

const char* id_23(const char* id22) {
  for (const auto& pair : k_ids)
    if (std::memcmp(pair[0], id22, 3) == 0) return pair[1];
  return nullptr;
}

// PIC's three-letter image format becomes APIC's MIME type.
bool picture_23(const QByteArray& pic, QByteArray& apic) {
  if (pic.size() < 5) return false;
  const QByteArray format = pic.mid(1, 3).toUpper();
  const QByteArray mime = format == "JPG" ? "image/jpeg" : "image/" + format.toLower();
  apic = pic.left(1) + mime + '\0' + pic.mid(4);
  return true;
}

QByteArray be32(std::uint32_t v) {
  QByteArray b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (24 - 8 * i));
  return b;
}

}  // namespace

bool upgrade_22(const QByteArray& tag22, QByteArray& tag23, QByteArray* refused) {
  std::vector<Id3v2Frame> frames;
  if (!tag_frames(tag22, 2, frames)) return false;
  QByteArray body;
  for (const Id3v2Frame& f : frames) {
    const char* id = id_23(f.id.data());
    QByteArray content = f.content;
    if (!id || (std::memcmp(id, "APIC", 4) == 0 && !picture_23(f.content, content))) {
      if (refused) *refused = QByteArray(f.id.data(), 3);
      return false;
    }
    body += QByteArray(id, 4) + be32(static_cast<std::uint32_t>(content.size())) + QByteArray(2, '\0') + content;
  }
  if (body.size() > 0x0FFFFFFF) return false;
  tag23 = QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", 10);
  put_synchsafe(tag23.data() + 6, static_cast<std::uint32_t>(body.size()));
  tag23 += body;
  return true;
}

}  // namespace tn
