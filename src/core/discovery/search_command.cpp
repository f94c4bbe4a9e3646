#include "discovery/search_command.h"

#include <arpa/inet.h>

#include <algorithm>
#include <ostream>

#include "protocol/device_record.h"

namespace scanvale {

namespace {

constexpr const char* kSortWords[] = {"model", "proj", "name", "ip", "port", "netmask", "mac"};

bool IsDottedAddress(const std::string& text) {
  in_addr a{};
  return inet_pton(AF_INET, text.c_str(), &a) == 1;
}

bool OneOf(const std::string& value, std::initializer_list<const char*> allowed) {
  return std::any_of(allowed.begin(), allowed.end(), [&](const char* a) { return value == a; });
}

std::vector<GridRow> DeviceRows(const DeviceTable& table) {
  std::vector<GridRow> rows;
  for (int r = 1; r <= table.grid.DeviceRowCount(); ++r) rows.push_back(table.grid.Row(r));
  return rows;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// Length of a valid UTF-8 sequence starting at text[i], or 0.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  std::size_t n = 0;
  if (b >= 0xC2 && b <= 0xDF) n = 2;
  else if (b >= 0xE0 && b <= 0xEF) n = 3;
  else if (b >= 0xF0 && b <= 0xF4) n = 4;
  else return 0;
  if (i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  const auto b1 = static_cast<unsigned char>(text[i + 1]);
  if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0) || (b == 0xF0 && b1 < 0x90) ||
      (b == 0xF4 && b1 >= 0x90))
    return 0;  // overlong forms, surrogates, beyond U+10FFFF
  return n;
}

}  // namespace

const char* SearchUsage() {
  return "usage: scanvale-cli search [options]\n"
         "\n"
         "Finds the devices on the local network and prints them, one per line, sorted.\n"
         "\n"
         "  --adapter ADDR|all      send on the adapter with this local address, or on every\n"
         "                          adapter (default all)\n"
         "  --relay HOST            ask the relay HOST instead of broadcasting\n"
         "  --protocol udp|tcp|http how to ask the relay (default udp; needs --relay)\n"
         "  --delay short|middle|long\n"
         "                          how long to wait for answers (default middle)\n"
         "  --filter TEXT           project filter: ALL, DVR, NVR/VSS, IP-Cam, VDS,\n"
         "                          Video-Server or any text (default ALL)\n"
         "  --sort model|proj|name|ip|port|netmask|mac\n"
         "                          sort column (default model)\n"
         "  --format table|csv|json output format (default table)\n"
         "  --help                  this text\n"
         "\n"
         "Exit status: 0 when the search ran (with or without devices), 1 when the adapter\n"
         "address cannot be bound, 2 for bad arguments.\n";
}

bool ParseSearchOptions(const std::vector<std::string>& args, SearchCommandOptions& options,
                        std::string& error) {
  options = SearchCommandOptions{};
  bool protocolGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool hasValue = false;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      hasValue = true;
    }
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    static const char* const kWithValue[] = {"--adapter", "--relay", "--protocol", "--delay",
                                             "--filter", "--sort", "--format"};
    if (std::find(std::begin(kWithValue), std::end(kWithValue), name) == std::end(kWithValue)) {
      error = "unknown option '" + args[i] + "'";
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    if (name == "--adapter") {
      if (value == "all") {
        options.allAdapters = true;
        options.adapter.clear();
      } else if (IsDottedAddress(value)) {
        options.allAdapters = false;
        options.adapter = value;
      } else {
        error = "--adapter wants a local IPv4 address or 'all', not '" + value + "'";
        return false;
      }
    } else if (name == "--relay") {
      if (value.empty() || value.find_first_of(" \t\r\n/,") != std::string::npos) {
        error = "--relay wants a host address, not '" + value + "'";
        return false;
      }
      options.relay = value;
    } else if (name == "--protocol") {
      if (!OneOf(value, {"udp", "tcp", "http"})) {
        error = "--protocol wants udp, tcp or http, not '" + value + "'";
        return false;
      }
      options.protocol = value;
      protocolGiven = true;
    } else if (name == "--delay") {
      if (!OneOf(value, {"short", "middle", "long"})) {
        error = "--delay wants short, middle or long, not '" + value + "'";
        return false;
      }
      options.delay = value;
    } else if (name == "--filter") {
      if (value.empty()) {
        error = "--filter wants a text";
        return false;
      }
      options.filter = value;
    } else if (name == "--sort") {
      const auto it = std::find_if(std::begin(kSortWords), std::end(kSortWords),
                                   [&](const char* w) { return value == w; });
      if (it == std::end(kSortWords)) {
        error = "--sort wants model, proj, name, ip, port, netmask or mac, not '" + value + "'";
        return false;
      }
      options.sortColumn = static_cast<int>(it - std::begin(kSortWords));
    } else if (name == "--format") {
      if (value == "table") options.format = OutputFormat::kTable;
      else if (value == "csv") options.format = OutputFormat::kCsv;
      else if (value == "json") options.format = OutputFormat::kJson;
      else {
        error = "--format wants table, csv or json, not '" + value + "'";
        return false;
      }
    }
  }
  if (options.help) return true;
  if (protocolGiven && options.relay.empty()) {
    error = "--protocol needs --relay";
    return false;
  }
  // A datagram or stream relay is addressed by its dotted address; a name would silently turn
  // into a broadcast.
  if (!options.relay.empty() && options.protocol != "http" && !IsDottedAddress(options.relay)) {
    error = "--relay wants an IPv4 address with --protocol " + options.protocol + ", not '" +
            options.relay + "'";
    return false;
  }
  return true;
}

SearchSettings SettingsFor(const SearchCommandOptions& options, const NetCardTable& netCards,
                           const SearchTexts& texts) {
  SearchSettings s;
  s.netCards = netCards;
  s.ipRelay = !options.relay.empty();
  s.relayAddress = options.relay;
  s.relayProtocol = options.protocol == "tcp" ? "TCP" : options.protocol == "http" ? "HttpCmd" : "UDP";
  if (options.allAdapters) {
    s.adapterItemIndex = netCards.m_NetCardNum;  // the all-adapters item is the last
    s.adapterText = texts.allNetCard;
  } else {
    s.adapterItemIndex = -1;  // a typed address
    s.adapterText = options.adapter;
  }
  s.delayCaption = options.delay == "short"  ? texts.shortText
                   : options.delay == "long" ? texts.longText
                                             : texts.middleText;
  s.upnpSearch = false;
  return s;
}

std::vector<std::string> GridHeaderTexts() {
  return {"Model", "Project", "Name", "IP", "Port", "Netmask", "MAC"};
}

void WriteTable(std::ostream& out, const DeviceTable& table) {
  const std::vector<std::string> header = GridHeaderTexts();
  const std::vector<GridRow> rows = DeviceRows(table);
  std::vector<std::size_t> widths;
  for (std::size_t c = 0; c < header.size(); ++c) {
    std::size_t w = header[c].size();
    for (const auto& row : rows) w = std::max(w, row[c].size());
    widths.push_back(w);
  }
  const auto line = [&](auto cell) {
    std::string text;
    for (std::size_t c = 0; c < header.size(); ++c) {
      const std::string value = cell(c);
      text += value;
      if (c + 1 < header.size()) text += std::string(widths[c] - value.size() + 2, ' ');
    }
    out << text << '\n';
  };
  line([&](std::size_t c) { return header[c]; });
  for (const auto& row : rows) line([&](std::size_t c) { return row[c]; });
}

void WriteCsv(std::ostream& out, const DeviceTable& table) {
  const std::vector<std::string> header = GridHeaderTexts();
  for (std::size_t c = 0; c < header.size(); ++c) out << (c ? "," : "") << CsvField(header[c]);
  out << "\r\n";
  for (const auto& row : DeviceRows(table)) {
    for (std::size_t c = 0; c < header.size(); ++c) out << (c ? "," : "") << CsvField(row[c]);
    out << "\r\n";
  }
}

std::string JsonString(std::string_view text) {
  static const char* const kHex = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == '"' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
      ++i;
    } else if (b < 0x20 || b == 0x7F) {
      out += "\\u00";
      out += kHex[b >> 4];
      out += kHex[b & 15];
      ++i;
    } else if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
    } else if (const std::size_t n = Utf8Length(text, i)) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      // A byte of an 8-bit code page: its Latin-1 character, as UTF-8.
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
      ++i;
    }
  }
  return out + "\"";
}

void WriteJson(std::ostream& out, const DeviceTable& table) {
  out << "[";
  bool first = true;
  for (int r = 1; r <= table.grid.DeviceRowCount(); ++r) {
    const tComUnitInfo* record = table.FindByRow(r);
    tComUnitInfo empty;
    ClearRecord(empty);
    if (!record) record = &empty;
    out << (first ? "\n" : ",\n") << "  {";
    first = false;
    for (std::size_t f = 0; f < kFieldCount; ++f) {
      const auto field = static_cast<Field>(f);
      out << (f ? ", " : "") << JsonString(FieldName(field)) << ": "
          << JsonString(GetField(*record, field));
    }
    out << "}";
  }
  out << (first ? "]\n" : "\n]\n");
}

}  // namespace scanvale
