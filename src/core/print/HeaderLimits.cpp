#include "print/HeaderLimits.h"

#include <algorithm>

namespace qv {
namespace {

bool AnyLineWiderThan(const Bytes& comment, const ReportTextWidth& width, int limit) {
  const std::vector<Bytes> lines = CommentLines(comment);
  return std::any_of(lines.begin(), lines.end(),
                     [&](const Bytes& line) { return width(line, kCommentFont) > limit; });
}

}  // namespace

std::vector<Bytes> CommentLines(const Bytes& comment) {
  std::vector<Bytes> lines;
  size_t start = 0;
  while (start < comment.size()) {
    size_t end = comment.find('\n', start);
    const size_t next = end == Bytes::npos ? comment.size() : end + 1;
    if (end == Bytes::npos) end = comment.size();
    if (end > start && comment[end - 1] == '\r' && end < comment.size()) --end;
    lines.push_back(comment.substr(start, end - start));
    start = next;
  }
  return lines;
}

int CommentLineCount(const Bytes& comment) {
  if (comment.empty()) return 0;
  return static_cast<int>(std::count(comment.begin(), comment.end(), '\n')) + 1;
}

Bytes CommentWithCrLf(const Bytes& comment) {
  Bytes out;
  out.reserve(comment.size() + comment.size() / 16);
  for (size_t i = 0; i < comment.size(); ++i) {
    if (comment[i] == '\n' && (i == 0 || comment[i - 1] != '\r')) out += '\r';
    out += comment[i];
  }
  return out;
}

Bytes CommentWithLf(const Bytes& comment) {
  Bytes out;
  out.reserve(comment.size());
  for (size_t i = 0; i < comment.size(); ++i) {
    if (comment[i] == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') continue;
    out += comment[i];
  }
  return out;
}

HeaderFit CheckHeaderFit(const PrintHeader& header, const ReportTextWidth& width) {
  HeaderFit fit;
  fit.FooterTooLong = width(header.Lines[PrintHeader::Footer], kFooterFont) > kHeaderOkWidth;
  fit.CommentTooLong = AnyLineWiderThan(header.Comments, width, kHeaderOkWidth);
  return fit;
}

const char* HeaderFitMessage(const HeaderFit& fit) {
  if (fit.FooterTooLong && fit.CommentTooLong) return kMsgFooterCommentLong;
  if (fit.CommentTooLong) return kMsgCommentLong;
  if (fit.FooterTooLong) return kMsgFooterLong;
  return nullptr;
}

bool FooterFitsWhileTyping(const Bytes& footer, const ReportTextWidth& width) {
  return width(footer, kFooterFont) <= kFooterTypingWidth;
}

bool CommentFitsWhileTyping(const Bytes& comment, const ReportTextWidth& width) {
  return CommentLineCount(comment) <= kCommentMaxLines &&
         !AnyLineWiderThan(comment, width, kCommentLineTypingWidth);
}

}  // namespace qv
