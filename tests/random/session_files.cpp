#include "random/session_files.h"

#include "random/session.h"

namespace vrkt::testing {

namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

}  // namespace

SessionFiles PrepareSessionFiles(const TempDir& dir, int program) {
  SessionFiles files;
  dir.Write("demo.scr", "import MDM\r\nprint('lift')\r\n");
  std::string big;
  for (int i = 0; big.size() < 70000; ++i) big += "# line " + std::to_string(i) + "\r\n";
  dir.Write("big.scr", big);
  std::string clip;
  for (int i = 0; i < 3000; ++i) clip.push_back(static_cast<char>(i * 37));
  dir.Write("clip.dat", clip);
  dir.Write("NOTES.TXT", "caf\xE9\r\n");

  const std::vector<std::vector<std::string>> lists = {
      {"demo.scr", "RUN:demo.scr"},
      {"ASEND:clip.dat"},
      {"SET:AT+CMEE=2", "DEL:demo.scr"},
      {"missing.scr", "NOTES.TXT"},
      {"big.scr", "RUN:big.scr"},
  };
  for (size_t i = 0; i < lists.size(); ++i) {
    const std::string name = "list" + std::to_string(i) + ".ifo";
    dir.Write(name, Lines(lists[i]));
    files.loader_lists.push_back(dir.File(name));
  }
  files.free_commands = {"AT+CMEE=2"};

  const bool dvg = program == 1;
  std::vector<std::string> keys = {"MASTER1=+420731555201", "MASTER2=112", "MASTER3=",
                                   "MASTER4=",  "MASTER5=", "MASTER6=", "MASTER7=0123",
                                   "TEST1=+420602555101", "TEST2=", "TEST3=", "TEST4=",
                                   "TEST5=", "TEST6=", "TEST7=", "TEST8=*31#"};
  if (dvg) {
    for (const char* k : {"PORTCLOSE1=111", "PORTOPEN1=222", "PORTCLOSE2=", "PORTOPEN2=",
                          "PORTCLOSE3=333", "PORTOPEN3="})
      keys.push_back(k);
  } else {
    keys.push_back("PORTCLOSE=111");
    keys.push_back("PORTOPEN=222");
  }
  keys.push_back("PARAMVRKT=4#4#3#9#3#5#30#3#2#0");
  keys.push_back("PARAMRL1=5#0#03#1");
  if (dvg) {
    keys.push_back("TINPUTS=0600#0003#0010");
    keys.push_back("SDATA=10#9600");
  }
  keys.push_back("VOLTAGE=11*5");
  for (const char* row : {"Anna=123", "Jan Novak=+420777555410", "line without equals",
                          "PORTOPEN2=55", "=", "Zed="})
    keys.push_back(row);
  dir.Write("other.vrk", Lines(keys));
  // Hand-edited: a key twice, keys in another case, a voltage switched off in a second line.
  dir.Write("edited.vrk", Lines({"MASTER1=111", "MASTER1=222", "master2=333", "TINPUTS=0600#0003#0010",
                                 "VOLTAGE=12*3", "VOLTAGE=00*0", "Anna=123"}));
  files.parameter_files = {dir.File("other.vrk"), dir.File("edited.vrk")};
  return files;
}

}  // namespace vrkt::testing
