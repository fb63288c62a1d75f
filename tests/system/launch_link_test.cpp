#include <gtest/gtest.h>

#include "platform/event_loop.h"
#include "platform/hand_over.h"
#include "platform/text.h"
#include "system/launch_link.h"

namespace {

launch_request parse(std::u16string_view text) { return parse_launch_url(text.data(), text.size()); }

std::u16string number_text(platform::link_number n) { return platform::from_utf8(std::to_string(n)); }

// A live receiver of this process, so that links can name a launcher that answers.
struct LaunchLink : ::testing::Test {
  platform::window_handle window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  std::unique_ptr<platform::hand_over_listener> listener =
      platform::listen_for_hand_over(window, [](const platform::copy_data&) {});
  std::u16string live = number_text(listener->number());
};

TEST_F(LaunchLink, ParsingTable) {
  ASSERT_TRUE(listener);
  const std::u16string gone = u"2147480000";  // no process has such a number
  struct row {
    std::u16string text;
    std::u16string first, second;
    platform::link_number window;
    bool valid;
  };
  const platform::link_number n = listener->number();
  const row table[] = {
      {u"\"qzzefa://a/b/" + live + u"\"", u"a", u"b", n, true},
      {u"qzzefa://a/b/" + live, u"a", u"b", n, true},
      {u"QZZEFA://a/b/" + live, u"a", u"b", n, true},
      {u"QzZeFa://a/b/" + live, u"a", u"b", n, true},
      {u"qzzefa://a/b/" + live + u"/", u"a", u"b", n, true},
      {u"qzzefa:///a/b/" + live, u"a", u"b", n, true},
      {u"qzzefa:xxa/b/" + live, u"a", u"b", n, true},  // the three after the token are not read
      {u"qzzefa://a//b/" + live, u"", u"", 0, false},  // four pieces
      {u"qzzefa://a/b", u"", u"", 0, false},           // two pieces
      {u"qzzefa://", u"", u"", 0, false},
      {u"", u"", u"", 0, false},
      {u"a/b/" + live, u"a", u"b", n, true},           // no token: split unchanged
      {u"\"qzzefa://a/b/" + live, u"", u"", 0, false},  // one quote: no prefix, five pieces
      {u"qzzefa://a/b/" + gone, u"a", u"b", 2147480000, false},
      {u"qzzefa://x y/\u4e2d\u6587/ " + live + u"abc", u"x y", u"\u4e2d\u6587", n, true},
      {u"qzzefa://a/b/-5", u"a", u"b", -5, false},
      {u"qzzefa://a/b/zz", u"a", u"b", 0, false},
  };
  for (const auto& r : table) {
    const auto got = parse(r.text);
    SCOPED_TRACE(platform::to_utf8(r.text));
    EXPECT_EQ(got.first, r.first);
    EXPECT_EQ(got.second, r.second);
    EXPECT_EQ(got.target_window, r.window);
    EXPECT_EQ(got.valid, r.valid);
  }
}

TEST_F(LaunchLink, OnlyTheGivenLengthIsRead) {
  const std::u16string text = u"qzzefa://a/b/" + live + u"/extra/pieces";
  const auto got = parse_launch_url(text.data(), text.size() - 13);
  EXPECT_TRUE(got.valid);
  EXPECT_EQ(got.target_window, listener->number());
  EXPECT_FALSE(parse_launch_url(nullptr, 0).valid);
}

TEST_F(LaunchLink, ANumberIsNoLongerValidOnceItsReceiverIsGone) {
  const auto text = u"qzzefa://a/b/" + live;
  EXPECT_TRUE(parse(text).valid);
  listener.reset();
  const auto got = parse(text);
  EXPECT_FALSE(got.valid);
  EXPECT_EQ(got.first, u"a");
}

TEST(LaunchLinkPieces, SeparatorsAtTheEdgesAndDoubled) {
  using pieces = std::vector<std::u16string>;
  EXPECT_EQ(split_path_pieces(u"/a/b/", u'/'), (pieces{u"a", u"b"}));
  EXPECT_EQ(split_path_pieces(u"a//b", u'/'), (pieces{u"a", u"", u"b"}));
  EXPECT_EQ(split_path_pieces(u"//a", u'/'), (pieces{u"", u"a"}));
  EXPECT_EQ(split_path_pieces(u"a//", u'/'), (pieces{u"a", u""}));
  EXPECT_EQ(split_path_pieces(u"/", u'/'), pieces{});
  EXPECT_EQ(split_path_pieces(u"", u'/'), pieces{});
  EXPECT_EQ(split_path_pieces(u"a|b", u'|'), (pieces{u"a", u"b"}));
}

TEST(LaunchLinkPrefix, QuotesAndTokenAreDroppedOnlyWhole) {
  EXPECT_EQ(strip_launch_prefix(u"\"qzzefa://a\""), u"a");
  EXPECT_EQ(strip_launch_prefix(u"\"\""), u"");
  EXPECT_EQ(strip_launch_prefix(u"\""), u"\"");
  EXPECT_EQ(strip_launch_prefix(u"qzzef://a/b"), u"qzzef://a/b");
  EXPECT_EQ(strip_launch_prefix(u"qzzefa"), u"");
  EXPECT_EQ(strip_launch_prefix(u"xqzzefa://a"), u"xqzzefa://a");
}

TEST(LaunchLinkNumber, ReadsLikeWtol) {
  EXPECT_EQ(decimal_prefix_value(u"1234"), 1234);
  EXPECT_EQ(decimal_prefix_value(u"  \t+42x"), 42);
  EXPECT_EQ(decimal_prefix_value(u"-17"), -17);
  EXPECT_EQ(decimal_prefix_value(u"x1"), 0);
  EXPECT_EQ(decimal_prefix_value(u""), 0);
  EXPECT_EQ(decimal_prefix_value(u"99999999999"), 2147483647);
  EXPECT_EQ(decimal_prefix_value(u"-99999999999"), -2147483647 - 1);
}

}  // namespace
