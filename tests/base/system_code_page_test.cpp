// Which 8-bit code page the platform uses: Windows says so itself; elsewhere the user's locale
// settings decide, in the order the C library reads them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/codepage.h"

namespace vrkt {
namespace {

// Sets the locale variables for the life of the object (nullptr: unset) and restores them after.
class LocaleEnvironment {
 public:
  LocaleEnvironment(const char* lc_all, const char* lc_ctype, const char* lang) {
    for (const char* name : kNames) {
      const char* old = std::getenv(name);
      saved_.push_back(old ? std::optional<std::string>(old) : std::nullopt);
    }
    Set("LC_ALL", lc_all);
    Set("LC_CTYPE", lc_ctype);
    Set("LANG", lang);
  }
  ~LocaleEnvironment() {
    for (size_t i = 0; i < saved_.size(); ++i)
      Set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
  }

 private:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  static void Set(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
#endif
  }
  std::vector<std::optional<std::string>> saved_;
};

TEST(SystemCodePageTest, ComesFromThePlatform) {
#ifdef _WIN32
  // Windows keeps its ANSI code page whatever the variables of a Unix-style shell say.
  const int windows = SystemCodePage();
  for (const char* lang : {"cs_CZ.UTF-8", "ru_RU", "el_GR"}) {
    LocaleEnvironment env(lang, lang, lang);
    EXPECT_EQ(SystemCodePage(), windows) << lang;
  }
  EXPECT_TRUE(windows == 874 || (windows >= 932 && windows <= 950) ||
              (windows >= 1250 && windows <= 1258))
      << windows;
#else
  {
    LocaleEnvironment env("cs_CZ.UTF-8", "ru_RU.UTF-8", "el_GR.UTF-8");
    EXPECT_EQ(SystemCodePage(), 1250);  // LC_ALL overrides the others
  }
  {
    LocaleEnvironment env("", "ru_RU.UTF-8", "el_GR.UTF-8");
    EXPECT_EQ(SystemCodePage(), 1251);  // an empty variable counts as unset
  }
  {
    LocaleEnvironment env(nullptr, nullptr, "tr_TR.UTF-8");
    EXPECT_EQ(SystemCodePage(), 1254);
  }
  {
    LocaleEnvironment env(nullptr, nullptr, nullptr);
    EXPECT_EQ(SystemCodePage(), 1252);
  }
#endif
}

}  // namespace
}  // namespace vrkt
