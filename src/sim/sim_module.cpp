// The GSM module's command interpreter of the simulated unit.
#include <algorithm>

#include "base/codepage.h"
#include "base/text.h"
#include "sim/sim_unit.h"

namespace vrkt {

namespace {

// Command parameters lose their blanks unless quoted, as V.25ter modules read them.
std::string StripBlanksOutsideQuotes(std::string_view s) {
  std::string out;
  bool quoted = false;
  for (char c : s) {
    if (c == '"') quoted = !quoted;
    if (c == ' ' && !quoted) continue;
    out.push_back(c);
  }
  return out;
}

std::vector<std::string> SplitArgs(const std::string& args) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (char c : args) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      out.emplace_back();
      continue;
    }
    out.back().push_back(c);
  }
  return out;
}

std::string Unquote(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

std::optional<int> ArgInt(const std::vector<std::string>& f, size_t i) {
  if (i >= f.size()) return std::nullopt;
  auto v = TryParseInt(Unquote(f[i]));
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return static_cast<int>(*v);
}

constexpr size_t kMaxDataSize = 4 * 1024 * 1024;

// A name of the card (code page bytes) as hexadecimal text of the character set.
std::string HexName(const std::string& text, const std::string& charset) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  if (charset == "HEX") {
    for (char ch : text) {
      auto c = static_cast<unsigned char>(ch);
      out += kDigits[c >> 4];
      out += kDigits[c & 15];
    }
    return out;
  }
  const std::string utf8 = CodePageToUtf8(text);
  for (size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = c;
    size_t n = 1;
    if (c >= 0xE0) {
      cp = c & 0x0F;
      n = 3;
    } else if (c >= 0xC0) {
      cp = c & 0x1F;
      n = 2;
    }
    for (size_t k = 1; k < n && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += n;
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(cp >> shift) & 15];
  }
  return out;
}

// One listing line in the module's form for this position.
std::string ListingLine(const SimConfig& config, int i, const SimEntry& e) {
  const bool hex = config.charset == "UCS2" || config.charset == "HEX";
  const std::string name = hex ? HexName(e.text, config.charset) : e.text;
  const std::string index = std::to_string(i);
  const std::string number = "\"" + e.number + "\"";
  const std::string type = std::to_string(e.type);
  if (std::find(config.unreadable_positions.begin(), config.unreadable_positions.end(), i) !=
      config.unreadable_positions.end()) {
    const std::string half = name.substr(0, name.size() / 2);
    return "+CPBR: " + index + "," + number + "," + type + ",\"" + half + "\"" +
           name.substr(half.size()) + "\"";
  }
  int form = config.entry_forms == SimEntryForms::kMixed ? i % 4 : 0;
  // Only a hexadecimal name or a single word goes without quotes.
  if (form == 3 && !hex && name.find_first_of(" \",") != std::string::npos) form = 0;
  switch (form) {
    case 1: return "+CPBR: " + index + ",," + number + "," + type + ",\"" + name + "\"";
    case 2: return "+CPBR: " + index + "," + number + ",,\"" + name + "\"";
    case 3: return "+CPBR: " + index + "," + number + "," + type + "," + name;
    default: return "+CPBR: " + index + "," + number + "," + type + ",\"" + name + "\"";
  }
}

}  // namespace

std::string SimUnit::Final(const std::string& command, const std::string& result) const {
  for (const std::string& c : faults_.no_final_on)
    if (AsciiUpper(c) == command) return std::string();
  return result;
}

void SimUnit::Execute(const std::string& line, int64_t t_us) {
  commands_.push_back({t_us / 1000, line});
  if (faults_.silent_after_commands >= 0 &&
      static_cast<int>(commands_.size()) > faults_.silent_after_commands)
    faults_.silent = true;
  if (faults_.silent) return;
  std::string up = AsciiUpper(line);
  for (const std::string& p : faults_.error_on) {
    if (StartsWith(up, AsciiUpper(p))) {
      Reply(t_us, 10, {}, "ERROR");
      return;
    }
  }
  if (!StartsWith(up, "AT")) return;  // not a command line: modules stay quiet
  std::string body = StripBlanksOutsideQuotes(std::string_view(line).substr(2));
  size_t eq = body.find('=');
  std::string cmd = AsciiUpper(eq == std::string::npos ? body : body.substr(0, eq));
  std::string args = eq == std::string::npos ? std::string() : body.substr(eq + 1);

  if (cmd.empty() || cmd == "+CMEE" || cmd == "&K3" || cmd == "Z") {
    Reply(t_us, 10, {}, "OK");
  } else if (cmd == "E0" || cmd == "E" || cmd == "E1") {
    echo_ = cmd == "E1" || faults_.echo_stuck;
    Reply(t_us, 10, {}, "OK");
  } else if (cmd == "I" || cmd == "+CGMM") {
    Reply(t_us, 10, {"LIFTCOM GM-2"}, "OK");
  } else if (cmd == "+CGMR") {
    Reply(t_us, 10, {"10.01.302"}, "OK");
  } else if (cmd == "+CSQ") {
    int v = config_.signal == 99 ? 99 : std::clamp(config_.signal + Random(-2, 2), 0, 31);
    Reply(t_us, 20,
          {"+CSQ: " + (faults_.damaged_status ? std::string("ab") : std::to_string(v)) + ",0"},
          Final(up, "OK"));
  } else if (cmd == "#CBC") {
    Reply(t_us, 30,
          {"#CBC: 0," + (faults_.damaged_status ? std::string("4x1") : std::to_string(config_.battery))},
          Final(up, "OK"));
  } else if (cmd == "#ADC" && args == "1,2") {
    Reply(t_us, 30, {"#ADC: " + std::to_string(config_.supply)}, "OK");
  } else if (cmd == "+CGSN") {
    Reply(t_us, 20, {config_.imei}, "OK");
  } else if (cmd == "+COPS?") {
    Reply(t_us, 50, {"+COPS: 0,0,\"" + config_.operator_name + "\""}, "OK");
  } else if (cmd == "+CREG?") {
    Reply(t_us, 20, {"+CREG: 0,1"}, "OK");
  } else if (cmd == "+CSCS?") {
    Reply(t_us, 10, {"+CSCS: \"" + config_.charset + "\""}, "OK");
  } else if (cmd == "+CSCS" && args.size() >= 2) {
    config_.charset = AsciiUpper(Unquote(args));
    Reply(t_us, 10, {}, "OK");
  } else if (cmd == "+CPBS?") {
    if (!config_.storage_query) {
      Reply(t_us, 10, {}, "ERROR");
    } else {
      int used = 0;
      for (int i = 1; i <= card_.capacity(); ++i) used += card_.At(i) ? 1 : 0;
      Reply(t_us, 20,
            {"+CPBS: \"SM\"," + std::to_string(used) + "," + std::to_string(card_.capacity())},
            "OK");
    }
  } else if (cmd == "+CPBR" || cmd == "+CPBW") {
    ExecutePhoneBook(cmd, args, t_us);
  } else if (cmd == "+CPIN" || cmd == "+CPIN?" || cmd == "+CLCK" || cmd == "+CPWD") {
    ExecutePin(cmd, args, t_us);
  } else if (cmd == "#WSCRIPT" || cmd == "#ASEND" || cmd == "#ESCRIPT" || cmd == "#ESCRIPT?" ||
             cmd == "#DSCRIPT" || cmd == "#LSCRIPT") {
    ExecuteScript(cmd, args, t_us);
  } else if (cmd == "#REBOOT") {
    Reply(t_us, 10, {}, "OK");
    // Deaf and mute while it restarts; then echo is back on, the network is found again and
    // the application starts (and stops again at once if DTR is still on).
    busy_until_us_ = t_us + 20000 + 5000000;
    echo_ = true;
    DropPendingInput();
    app_running_ = false;
    stop_due_us_ = -1;
    app_start_due_us_ = busy_until_us_ + 1000000;
    Emit("\r\n+CREG: 0,1\r\n", busy_until_us_ + 1500000);
  } else {
    Reply(t_us, 10, {}, "ERROR");
  }
}

void SimUnit::ExecutePhoneBook(const std::string& cmd, const std::string& args, int64_t t_us) {
  if (card_.Locked()) {
    Reply(t_us, 20, {}, CmeError(card_.puk_required() ? 12 : 11));
    return;
  }
  const int cap = card_.capacity();
  std::vector<std::string> f = SplitArgs(args);
  // The module starts on a command once the previous answer is out; its SIM may still be busy.
  const int64_t start_us = std::max(t_us, answer_free_us_);
  const bool sim_storing = start_us < sim_storing_until_us_;
  if (cmd == "+CPBR") {
    if (sim_storing) t_us = sim_storing_until_us_;
    if (args == "?") {
      std::string positions = "1-" + std::to_string(cap);
      if (!config_.range_without_parens) positions = "(" + positions + ")";
      std::string range = "+CPBR: " + positions;
      if (!config_.range_without_lengths)
        range += "," + std::to_string(card_.number_length()) + "," +
                 std::to_string(card_.text_length());
      if (!config_.range_reply.empty()) range = config_.range_reply;
      Reply(t_us, 30, {range}, "OK");
      return;
    }
    auto from = ArgInt(f, 0);
    auto to = f.size() > 1 ? ArgInt(f, 1) : from;
    if (!from || !to || *from < 1 || *to > cap || *from > *to || f.size() > 2) {
      Reply(t_us, 20, {}, CmeError(21));
      return;
    }
    std::vector<std::string> lines;
    const int listing = listings_++;
    const int counted = listing - faults_.garbled_from_listing;
    const bool garble = counted >= 0 &&
                        (faults_.garbled_listings < 0 || counted < faults_.garbled_listings) &&
                        counted % std::max(1, faults_.garbled_every) == 0;
    auto hit = [garble](const std::vector<int>& positions, int i) {
      return garble && std::find(positions.begin(), positions.end(), i) != positions.end();
    };
    for (int i = *from; i <= *to; ++i) {
      const auto& e = card_.At(i);
      if (!e || hit(faults_.dropped_lines, i)) continue;
      std::string l = ListingLine(config_, i, *e);
      // A flipped bit of the head: "+CPBR:" arrives as "+\xC3PBR:".
      if (hit(faults_.garbled_heads, i)) l[1] = static_cast<char>(0xC3);
      // A flipped bit in the name, which still reads as a name.
      if (hit(faults_.garbled_names, i) && l.size() >= 4) l[l.size() - 3] ^= 1;
      lines.push_back(std::move(l));
    }
    if (faults_.endless_listing && !lines.empty()) {
      // The module goes round its entries for ten minutes and never says it is done.
      int64_t at = std::max(t_us, answer_free_us_) + 30000;
      current_exchange_ = -1;
      const int64_t until = at + 600LL * 1000000;
      for (size_t k = 0; at < until; ++k) {
        const std::string& l = lines[k % lines.size()];
        Emit("\r\n" + l + "\r\n", at, false, kAnswerPiece);
        at += WireUs(static_cast<int64_t>(l.size()) + 4) + 20000;
      }
      answer_head_us_ = t_us;
      answer_free_us_ = at;
      return;
    }
    if (*to > *from && ++listings_answered_ == faults_.change_after_listings &&
        faults_.change_position >= 1 && faults_.change_position <= cap) {
      // Listed as it was; changed once the listing is out.
      const SimEntry& c = faults_.change_entry;
      if (c.number.empty() && c.text.empty())
        card_.Erase(faults_.change_position);
      else
        card_.Write(faults_.change_position, c.number, c.type, c.text);
    }
    if (lines.empty()) {
      Reply(t_us, 30, {}, CmeError(22));
      return;
    }
    // A SIM reads slowly: a few milliseconds for every position.
    Reply(t_us, 30 + (*to - *from + 1) * 2, lines,
          config_.listing_end.empty() ? std::string("OK") : config_.listing_end,
          faults_.listing_ms_per_byte);
    return;
  }
  // +CPBW=index[,number[,type[,text]]]; no number and no text empties the position.
  auto index = ArgInt(f, 0);
  if (!index || f.size() > 4) {
    Reply(t_us, 20, {}, "ERROR");
    return;
  }
  std::string number = f.size() > 1 ? Unquote(f[1]) : std::string();
  std::optional<int> type;
  if (f.size() > 2 && !f[2].empty()) {
    type = ArgInt(f, 2);
    if (!type) {
      Reply(t_us, 20, {}, "ERROR");
      return;
    }
  }
  std::string text = f.size() > 3 ? Unquote(f[3]) : std::string();
  if (*index < 1 || *index > cap) {
    Reply(t_us, 20, {}, CmeError(21));
    return;
  }
  if (sim_storing) {
    // Acknowledged, but the SIM never sees it: what a pace too fast for the unit costs.
    Reply(t_us, 20, {}, "OK");
    return;
  }
  int error = 0;
  const bool lost = std::find(faults_.lost_writes.begin(), faults_.lost_writes.end(), *index) !=
                    faults_.lost_writes.end();
  if (lost) {
    // answered as if stored
  } else if (number.empty() && text.empty()) {
    card_.Erase(*index);
  } else {
    error = card_.Write(*index, number, type, text);
  }
  // The SIM takes its time to store a position; a refusal comes before any writing.
  const int after_ok = std::clamp(config_.write_busy_after_ok_ms, 0, std::max(0, config_.write_ms));
  const bool noisy = std::find(faults_.noisy_ok_writes.begin(), faults_.noisy_ok_writes.end(),
                               *index) != faults_.noisy_ok_writes.end();
  std::string ok = noisy ? "OK\r\x85" : "OK";
  if (!error && std::find(faults_.damaged_ok_writes.begin(), faults_.damaged_ok_writes.end(),
                          *index) != faults_.damaged_ok_writes.end()) {
    int& sent = damaged_oks_sent_[*index];
    if (faults_.damaged_ok_times < 0 || sent < faults_.damaged_ok_times) {
      ++sent;
      ok = faults_.damaged_ok_lost ? "\xCB\x9A" : "O\xCBK";
    }
  }
  Reply(t_us, error ? 20 : 20 + config_.write_ms - after_ok, {}, error ? CmeError(error) : ok);
  if (!error && after_ok > 0) sim_storing_until_us_ = answer_head_us_ + after_ok * 1000LL;
}

void SimUnit::ExecutePin(const std::string& cmd, const std::string& args, int64_t t_us) {
  std::vector<std::string> f = SplitArgs(args);
  if (cmd == "+CPIN?") {
    const char* state = card_.puk_required() ? "SIM PUK" : card_.Locked() ? "SIM PIN" : "READY";
    Reply(t_us, 20, {std::string("+CPIN: ") + state}, "OK");
    return;
  }
  if (card_.puk_required()) {
    Reply(t_us, 50, {}, CmeError(12));
    return;
  }
  if (cmd == "+CPIN") {
    if (!card_.Locked()) {
      Reply(t_us, 50, {}, CmeError(3));  // the SIM is not waiting for a PIN
    } else if (card_.CheckPin(Unquote(f[0]))) {
      card_.pin_entered = true;
      Reply(t_us, 300, {}, "OK");
    } else {
      Reply(t_us, 300, {}, CmeError(16));
    }
    return;
  }
  std::string facility = AsciiUpper(Unquote(f[0]));
  if (facility != "SC") {
    Reply(t_us, 20, {}, CmeError(4));
    return;
  }
  if (card_.Locked()) {
    Reply(t_us, 20, {}, CmeError(11));
    return;
  }
  if (cmd == "+CLCK") {
    auto mode = ArgInt(f, 1);
    if (mode && *mode == 2) {
      Reply(t_us, 50, {std::string("+CLCK: ") + (card_.pin_enabled ? "1" : "0")}, "OK");
    } else if (!mode || (*mode != 0 && *mode != 1) || f.size() < 3) {
      Reply(t_us, 20, {}, "ERROR");
    } else if (!card_.CheckPin(Unquote(f[2]))) {
      Reply(t_us, 400, {}, CmeError(16));
    } else {
      card_.pin_enabled = *mode == 1;
      Reply(t_us, 400, {}, "OK");
    }
    return;
  }
  // +CPWD="SC",old,new. A SIM refuses a new PIN while its PIN request is off.
  std::string fresh = f.size() > 2 ? Unquote(f[2]) : std::string();
  bool fresh_ok = fresh.size() >= 4 && fresh.size() <= 8 &&
                  std::all_of(fresh.begin(), fresh.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (f.size() != 3 || !fresh_ok || !card_.pin_enabled) {
    Reply(t_us, 50, {}, CmeError(3));
  } else if (!card_.CheckPin(Unquote(f[1]))) {
    Reply(t_us, 400, {}, CmeError(16));
  } else {
    card_.pin = fresh;
    Reply(t_us, 400, {}, "OK");
  }
}

void SimUnit::ExecuteScript(const std::string& cmd, const std::string& args, int64_t t_us) {
  std::vector<std::string> f = SplitArgs(args);
  std::string name = Unquote(f[0]);
  if (cmd == "#WSCRIPT" || cmd == "#ASEND") {
    auto size = ArgInt(f, 1);
    if (name.empty() || !size || *size <= 0 || static_cast<size_t>(*size) > kMaxDataSize ||
        f.size() > 3) {
      Reply(t_us, 20, {}, "ERROR");
      return;
    }
    data_ = cmd == "#WSCRIPT" ? Data::kScript : Data::kSendFile;
    data_name_ = name;
    data_left_ = static_cast<size_t>(*size);
    data_buf_.clear();
    // The prompt has no line end; the data follows it directly.
    data_from_us_ = std::max(t_us, answer_free_us_) +
                    int64_t{std::max(50, faults_.latency_ms) + faults_.extra_latency_ms} * 1000;
    // The prompt is this command's answer: the data that follows is a block of its own.
    if (current_exchange_ >= 0)
      transcript_[static_cast<size_t>(current_exchange_)].final_result =
          cmd == "#WSCRIPT" ? ">>>" : "CONNECT";
    Emit(cmd == "#WSCRIPT" ? "\r\n>>>" : "\r\nCONNECT\r\n", data_from_us_, false,
         current_exchange_);
    current_exchange_ = -1;
    answer_head_us_ = answer_free_us_ = data_from_us_;
  } else if (cmd == "#ESCRIPT?") {
    Reply(t_us, 10, {"#ESCRIPT: \"" + run_script_ + "\""}, "OK");
  } else if (cmd == "#ESCRIPT") {
    if (name.empty()) {
      Reply(t_us, 10, {}, "ERROR");
      return;
    }
    run_script_ = name;
    Reply(t_us, 20, {}, "OK");
  } else if (cmd == "#DSCRIPT") {
    bool found = scripts_.erase(name) > 0;
    Reply(t_us, 100, {}, found ? "OK" : "ERROR");
  } else {  // #LSCRIPT
    std::vector<std::string> lines;
    for (const auto& [n, d] : scripts_)
      lines.push_back("#LSCRIPT: \"" + n + "\"," + std::to_string(d.size()));
    Reply(t_us, 30, lines, "OK");
  }
}

void SimUnit::DropPendingInput() {
  data_ = Data::kNone;
  data_buf_.clear();
  line_.clear();
}

void SimUnit::FinishData(int64_t t_us) {
  Data kind = data_;
  data_ = Data::kNone;
  if (kind == Data::kScript) {
    scripts_[data_name_] = std::move(data_buf_);
    Reply(t_us, 200, {}, "OK");  // written to flash
  } else {
    files_[data_name_] = std::move(data_buf_);
    Reply(t_us, 100, {}, "OK");
    Emit("\r\n#ASENDEV: 0\r\n", t_us + 600000);
  }
  data_buf_.clear();
}

}  // namespace vrkt
