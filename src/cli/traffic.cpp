#include "cli/traffic.h"

#include "base/text.h"

namespace vrkt::cli {

void Traffic::OnWrite(std::string_view bytes) {
  writes_.push_back({std::string(bytes), lines_.size(), clock_.NowMs()});
}

void Traffic::OnRead(const char* bytes, size_t n) {
  // The same framing as the program's receiver: a line ends at CR; other control bytes vanish.
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == 13) {
      lines_.push_back(partial_);
      line_ms_.push_back(clock_.NowMs());
      partial_.clear();
    } else if (c >= 32) {
      partial_.push_back(static_cast<char>(c));
    }
  }
}

size_t Traffic::FindWrite(std::string_view bytes, size_t from) const {
  for (size_t i = from; i < writes_.size(); ++i)
    if (writes_[i].bytes == bytes) return i;
  return std::string::npos;
}

bool Traffic::WroteAfterLine(std::string_view bytes, size_t line) const {
  for (size_t i = writes_.size(); i-- > 0 && writes_[i].lines_before > line;)
    if (writes_[i].bytes == bytes) return true;
  return false;
}

std::string Traffic::CommandBefore(size_t line) const {
  for (size_t i = writes_.size(); i-- > 0;) {
    if (writes_[i].lines_before <= line) {
      std::string c = writes_[i].bytes;
      while (!c.empty() && (c.back() == '\n' || c.back() == '\r')) c.pop_back();
      return c;
    }
  }
  return {};
}

bool IsUnsolicited(const std::string& line) {
  return line.empty() || StartsWith(line, "+CREG:") || Contains(line, "#SMSATWL") ||
         Contains(line, "+CMGL");
}

namespace {

class TapConnection : public PortConnection {
 public:
  TapConnection(std::unique_ptr<PortConnection> inner, Traffic& traffic, bool assume_cts)
      : inner_(std::move(inner)), traffic_(traffic), assume_cts_(assume_cts) {}
  void Write(std::string_view bytes) override {
    traffic_.OnWrite(bytes);
    inner_->Write(bytes);
  }
  size_t BytesToWrite() override { return inner_->BytesToWrite(); }
  void DiscardOutput() override { inner_->DiscardOutput(); }
  size_t BytesAvailable() override { return inner_->BytesAvailable(); }
  size_t Read(char* buffer, size_t max) override {
    size_t n = inner_->Read(buffer, max);
    traffic_.OnRead(buffer, n);
    return n;
  }
  bool Cts() override { return assume_cts_ || inner_->Cts(); }
  void SetDtr(bool on) override { inner_->SetDtr(on); }
  std::string Failure() override { return inner_->Failure(); }

 private:
  std::unique_ptr<PortConnection> inner_;
  Traffic& traffic_;
  bool assume_cts_;
};

}  // namespace

std::unique_ptr<PortConnection> TapProvider::Open(const std::string& name) {
  return std::make_unique<TapConnection>(inner_.Open(name), traffic_, assume_cts_);
}

}  // namespace vrkt::cli
