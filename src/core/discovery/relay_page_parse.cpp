#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

#include "discovery/relay_page.h"

namespace scanvale {

namespace {

// Tried in this order at every ">" of a line.
constexpr std::array<std::string_view, 5> kStructuralTags = {"BODY", "HTML", "TABLE", "TITLE",
                                                             "TR"};

std::uint8_t TagNameMask(std::string_view tag) {
  std::string upper(tag);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::uint8_t mask = 0;
  for (std::size_t k = 0; k < kStructuralTags.size(); ++k)
    if (upper.find(kStructuralTags[k]) != std::string::npos) mask |= std::uint8_t(1u << k);
  return mask;
}

// A line under clean-up, held as `head` + original[off..]. Only the line's first tag is
// ever deleted, and the text before the first "<" holds no ">", so everything in front of
// the first tag can only grow: keeping it apart makes every deletion O(1) instead of a
// shift of the whole line (a megabyte-long line would otherwise take minutes).
class TagStripper {
 public:
  explicit TagStripper(std::string& line) : line_(line) { FindFirstTag(); }

  std::size_t size() const { return head_.size() + (line_.size() - off_); }
  char at(std::size_t pos) const {
    return pos < head_.size() ? head_[pos] : line_[off_ + pos - head_.size()];
  }
  bool frozen() const { return frozen_; }
  bool FirstTagContains(std::size_t k) const { return !frozen_ && (mask_ >> k) & 1u; }

  void DeleteFirstTag() {
    off_ += tagLen_;
    FindFirstTag();
  }

  void Finish() {
    if (off_ == 0 && head_.empty()) return;
    head_.append(line_, off_, std::string::npos);
    line_.swap(head_);
  }

 private:
  // The first tag runs from the first "<" through the first ">". Without a "<", or with a
  // ">" in front of the first "<", there is no tag and the line can no longer change.
  void FindFirstTag() {
    const std::size_t lt = line_.find('<', off_);
    if (lt == std::string::npos) return Freeze();
    const std::size_t gtBefore = line_.find('>', off_);
    if (gtBefore < lt) return Freeze();
    const std::size_t gt = line_.find('>', lt);
    if (gt == std::string::npos) return Freeze();
    head_.append(line_, off_, lt - off_);
    off_ = lt;
    tagLen_ = gt - lt + 1;
    mask_ = TagNameMask(std::string_view(line_).substr(lt, tagLen_));
    // A tag that contains none of the names is never deleted, and it stays first.
    if (mask_ == 0) Freeze();
  }
  void Freeze() { frozen_ = true; }

  std::string& line_;
  std::string head_;
  std::size_t off_ = 0;
  std::size_t tagLen_ = 0;
  std::uint8_t mask_ = 0;
  bool frozen_ = false;
};

// One device line under reading, held as `kept` (what stays of the text before the cells
// read so far) + line[off..], so that removing a cell never shifts the rest of the line.
class CellReader {
 public:
  explicit CellReader(std::string& line) : line_(line) {}

  std::size_t size() const { return kept_.size() + (line_.size() - off_); }

  // The next cell's value: the text between the first "<td>" and the first "</td>" after
  // it. False when there is no such pair.
  bool Next(std::string_view& value) {
    std::size_t keptCut = kept_.size();  // where the opening tag starts, if it starts in kept
    std::size_t valueStart = std::string::npos;
    // The removal of a cell joins the text before it with the text after it; an opening tag
    // may therefore straddle the join.
    for (std::size_t i = kept_.size() > 3 ? kept_.size() - 3 : 0; i < kept_.size(); ++i) {
      const std::size_t tail = kept_.size() - i;
      const std::size_t need = 4 - tail;
      if (std::string_view(kept_).substr(i) == kOpen.substr(0, tail) &&
          std::string_view(line_).substr(off_, need) == kOpen.substr(tail)) {
        keptCut = i;
        valueStart = off_ + need;
        break;
      }
    }
    std::size_t open = std::string::npos;
    if (valueStart == std::string::npos) {
      open = line_.find(kOpen, off_);
      if (open == std::string::npos) return false;
      valueStart = open + kOpen.size();
    }
    const std::size_t close = line_.find(kClose, valueStart);
    if (close == std::string::npos) return false;
    value = std::string_view(line_).substr(valueStart, close - valueStart);
    if (open != std::string::npos)
      kept_.append(line_, off_, open - off_);
    else
      kept_.resize(keptCut);
    nextOff_ = close + kClose.size();
    return true;
  }
  // Removes the cell that Next returned, from its "<td>" through its "</td>".
  void DropCell() { off_ = nextOff_; }

  std::string Rest() const { return kept_ + line_.substr(off_); }

 private:
  static constexpr std::string_view kOpen = "<td>";
  static constexpr std::string_view kClose = "</td>";
  const std::string& line_;
  std::string kept_;
  std::size_t off_ = 0;
  std::size_t nextOff_ = 0;
};

void StoreCell(tComUnitInfo& record, int column, std::string_view value) {
  static constexpr Field kColumns[] = {Field::model, Field::proj,    Field::name, Field::ip,
                                       Field::trigger_port, Field::netmask, Field::mac};
  SetFieldByIndex(record, kColumns[column], value);
}

std::string_view StoredCell(const tComUnitInfo& record, int column) {
  static constexpr Field kColumns[] = {Field::model, Field::proj,    Field::name, Field::ip,
                                       Field::trigger_port, Field::netmask, Field::mac};
  return GetField(record, kColumns[column]);
}

}  // namespace

std::string RelayPagePath(std::string_view projFilter) {
  return "/device.get?DeviceType=" + std::string(projFilter);
}

std::vector<std::string> SplitPageLines(std::string_view page) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < page.size()) {
    const std::size_t end = page.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(page.substr(start));
      break;
    }
    lines.emplace_back(page.substr(start, end - start));
    start = end + 1;
    if (page[end] == '\r' && start < page.size() && page[start] == '\n') ++start;
  }
  return lines;
}

void ApplyNoItemsRule(std::vector<std::string>& lines) {
  if (lines.size() > 4) return;
  for (const auto& line : lines)
    if (line.find("No available items") != std::string::npos) {
      lines.clear();
      return;
    }
}

void CleanHtmlLine(std::string& line) {
  TagStripper strip(line);
  for (std::size_t pos = 0; pos < strip.size() && !strip.frozen(); ++pos) {
    if (strip.at(pos) != '>') continue;
    for (std::size_t k = 0; k < kStructuralTags.size(); ++k)
      if (strip.FirstTagContains(k)) strip.DeleteFirstTag();
  }
  strip.Finish();
}

void CleanHtml(std::vector<std::string>& lines) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    CleanHtmlLine(lines[i]);
    if (lines[i].empty()) continue;
    if (out != i) lines[out] = std::move(lines[i]);
    ++out;
  }
  lines.resize(out);
}

void PhaseItem(std::vector<std::string>& lines, DeviceTable& table) {
  constexpr int kStoredColumns = 7;
  std::vector<std::string> left;
  int r = 0;
  for (auto& line : lines) {
    tComUnitInfo record;
    ClearRecord(record);
    CellReader cells(line);
    int column = 0;
    std::string_view value;
    for (std::size_t walk = 0; walk < cells.size() && cells.Next(value); ++walk) {
      if (r != 0 && column < kStoredColumns) {
        StoreCell(record, column, value);
        // The grid shows what the record holds, so a row always finds its record again.
        table.grid.SetCell(column, r, std::string(StoredCell(record, column)));
      }
      cells.DropCell();
      ++column;
    }
    const bool hasCells = column > 0;
    if (r != 0 && hasCells) {
      table.grid.SetRowCount(r + 1);
      table.m_DeviceList.push_back(record);
      table.m_NextRow = r + 1;  // a device heard later goes below, not over row 1
    }
    std::string rest = cells.Rest();
    if (rest.empty() || (r != 0 && !hasCells)) continue;  // the next line takes row r
    left.push_back(std::move(rest));
    ++r;
  }
  lines.swap(left);
}

int RunHttpRelaySearch(std::string_view relay, std::string_view projFilter, DeviceTable& table,
                       const RelayFetchOptions& options) {
  std::vector<std::string> lines;
  const int result = GetRelayPage(relay, RelayPagePath(projFilter), lines, options);
  CleanHtml(lines);
  PhaseItem(lines, table);
  return result;
}

}  // namespace scanvale
