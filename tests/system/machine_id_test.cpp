// The identifier's text form, the same on every system.
#include <gtest/gtest.h>

#include <regex>

#include "platform/text.h"
#include "system/machine_identity.h"

namespace {

TEST(MachineId, FormatTakesEachFieldAndTheLowTickBits) {
  platform::guid id;
  id.Data1 = 0x0123abcd;
  id.Data2 = 0x00ef;
  id.Data3 = 0xa5a5;
  id.Data4 = {0x00, 0x01, 0x7f, 0x80, 0xfe, 0xff, 0x10, 0x0a};
  EXPECT_EQ(format_machine_id(id, 0x12345678), u"0123ABCD00EFA5A500017F80FEFF100A5678");
  const auto later = format_machine_id(id, 0x0000BEEF);
  EXPECT_EQ(later.substr(0, 32), u"0123ABCD00EFA5A500017F80FEFF100A");
  EXPECT_EQ(later.substr(32), u"BEEF");
  EXPECT_EQ(format_machine_id({}, 0), std::u16string(36, u'0'));
}

TEST(MachineId, FreshIdentifiersAreRandomUpperHex) {
  const auto a = platform::to_utf8(new_machine_id());
  const auto b = platform::to_utf8(new_machine_id());
  EXPECT_TRUE(std::regex_match(a, std::regex("[0-9A-F]{12}4[0-9A-F]{3}[89AB][0-9A-F]{19}"))) << a;
  EXPECT_NE(a.substr(0, 32), b.substr(0, 32));
}

}  // namespace
