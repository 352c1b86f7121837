#include <gtest/gtest.h>

#include "base/variant.h"
#include "support/harness.h"

namespace vrkt {
namespace {

TEST(VariantTest, FileNameDecidesFamilyAnd4G) {
  struct Case {
    const char* name;
    Family variant;
    bool is4g;
    bool named;
    const char* product;
  } cases[] = {
      {"VRKTset.exe", Family::VRKT, false, true, "GSM Vornacle"},
      {"DVG1Cset", Family::DVG, false, true, "Dorvik GSM 1C"},
      {"VRKT-DVG", Family::VRKT, false, true, "GSM Vornacle"},
      {"vrktset", Family::VRKT, false, false, "GSM Vornacle"},
      {"VRKT4Gset", Family::VRKT, true, true, "GSM Vornacle"},
      {"VRKT4gset", Family::VRKT, false, true, "GSM Vornacle"},
  };
  for (const Case& c : cases) {
    Variant v = VariantFromFileName(c.name);
    EXPECT_EQ(v.ProductVariant, c.variant) << c.name;
    EXPECT_EQ(v.Is4G, c.is4g) << c.name;
    EXPECT_EQ(v.named, c.named) << c.name;
    EXPECT_EQ(v.ProductName, c.product) << c.name;
  }
  EXPECT_EQ(FileNameOf("/opt/x/DVGset"), "DVGset");
  EXPECT_EQ(FileNameOf("C:\\tools\\VRKTset.exe"), "VRKTset.exe");
}

TEST(StartupTest, VariantShowsItsGroups) {
  testing::Harness vrkt("VRKTset");
  vrkt.Start();
  Form1& f = vrkt.program->form;
  EXPECT_EQ(f.Form1Window.caption(), "VRKTset");
  EXPECT_TRUE(f.GroupBox9.visible());
  EXPECT_FALSE(f.PortList.visible());
  EXPECT_FALSE(f.RS232.visible());
  EXPECT_TRUE(f.OKservice.visible());

  testing::Harness dvg("DVG1Cset");
  dvg.Start();
  Form1& g = dvg.program->form;
  EXPECT_EQ(g.Form1Window.caption(), "DVG 1C Set");
  EXPECT_EQ(dvg.program->form.application_title, "DVG 1C Set");
  EXPECT_FALSE(g.GroupBox9.visible());
  EXPECT_TRUE(g.PortList.visible());
  EXPECT_TRUE(g.RS232.visible());
  EXPECT_FALSE(g.OKservice.visible());

  testing::Harness neither("lowercase-vrkt");
  neither.Start();
  Form1& n = neither.program->form;
  EXPECT_TRUE(n.GroupBox9.visible());
  EXPECT_TRUE(n.PortList.visible());
  EXPECT_TRUE(n.RS232.visible());
  EXPECT_EQ(n.Form1Window.caption(), "VRKTset");
}

}  // namespace
}  // namespace vrkt
