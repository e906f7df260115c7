// What of a print header fits the report: the footer within its band and each comment line
// within the summary band, measured in the report labels' fonts. Typing is stopped somewhat
// before the limits OK enforces; texts that came from the settings or a file meet only the
// latter. Text widths come in as a function, as for the table.
#pragma once

#include "print/ReportLayout.h"
#include "store/Records.h"

#include <functional>
#include <vector>

namespace qv {

// Width of `text` in report pixels, printed in `font`.
using ReportTextWidth = std::function<double(const Bytes& text, const ReportFont& font)>;

// round(share x the band width), for the page footer and the summary band alike (both 718).
constexpr int BandShare(double share) {
  return static_cast<int>(share * kReportBandWidth + 0.5);
}
inline constexpr int kHeaderOkWidth = BandShare(0.9);            // footer and comment lines at OK
inline constexpr int kFooterTypingWidth = BandShare(0.8);        // the footer while typing
inline constexpr int kCommentLineTypingWidth = BandShare(0.85);  // a comment line while typing
inline constexpr int kCommentMaxLines = 14;

inline constexpr const char* kMsgFooterLong = "msgFooterLong_35";
inline constexpr const char* kMsgCommentLong = "msgComentLong_35";
inline constexpr const char* kMsgFooterCommentLong = "msgFotComLong_35";

// The lines of a comment, split at LF with a CR before it dropped (files keep CR LF, the editor
// LF). A text ending with LF has no empty last line here.
std::vector<Bytes> CommentLines(const Bytes& comment);
// The lines a person sees: none for an empty text, and one more than the line breaks, so that
// the empty line after a final line break counts.
int CommentLineCount(const Bytes& comment);
// The comment with CR LF between its lines, as documents and files keep it; and with LF, as the
// editor shows it.
Bytes CommentWithCrLf(const Bytes& comment);
Bytes CommentWithLf(const Bytes& comment);

// Checked at OK.
struct HeaderFit {
  bool FooterTooLong = false;
  bool CommentTooLong = false;
  bool Fits() const { return !FooterTooLong && !CommentTooLong; }
};
HeaderFit CheckHeaderFit(const PrintHeader& header, const ReportTextWidth& width);
// The key of the message that tells what does not fit; null when everything fits.
const char* HeaderFitMessage(const HeaderFit& fit);

// Checked after each edit: the footer, and the whole comment (its lines and each line's width).
bool FooterFitsWhileTyping(const Bytes& footer, const ReportTextWidth& width);
bool CommentFitsWhileTyping(const Bytes& comment, const ReportTextWidth& width);

}  // namespace qv
