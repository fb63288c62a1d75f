// The receiving window as any Windows program reaches it: raw WM_COPYDATA through SendMessageW.
#include <gtest/gtest.h>

#include <windows.h>

#include <future>
#include <string>

#include "platform/hand_over.h"
#include "platform/headless/headless_desktop.h"

namespace {

using platform::copy_data;

struct RawSender : ::testing::Test {
  std::vector<copy_data> received;
  platform::window_handle window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  std::unique_ptr<platform::hand_over_listener> listener = platform::listen_for_hand_over(
      window, [this](const copy_data& d) { received.push_back(d); });

  // SendMessageW from another thread while this one runs the loop; the receiver's answer.
  LRESULT send(ULONG_PTR kind, const void* bytes, DWORD byte_count) {
    COPYDATASTRUCT data{kind, byte_count, const_cast<void*>(bytes)};
    const HWND target = reinterpret_cast<HWND>(listener->number());
    auto answer = std::async(std::launch::async, [&] {
      return SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    });
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
      platform::headless::run_for(20);
    return answer.get();
  }
};

TEST_F(RawSender, TheNumberIsAWindowOfThisProcess) {
  ASSERT_TRUE(listener);
  const HWND target = reinterpret_cast<HWND>(listener->number());
  ASSERT_TRUE(IsWindow(target));
  DWORD owner = 0;
  GetWindowThreadProcessId(target, &owner);
  EXPECT_EQ(owner, GetCurrentProcessId());
}

TEST_F(RawSender, AnOversizedRequestIsRefusedUnread) {
  ASSERT_TRUE(listener);
  const std::string bytes(platform::hand_over_max_bytes + 2, 'x');
  EXPECT_EQ(send(5000, bytes.data(), static_cast<DWORD>(bytes.size())), FALSE);
  platform::headless::run_for(50);
  EXPECT_TRUE(received.empty());
}

TEST_F(RawSender, AnOddLastByteIsDroppedAndNoDataIsEmptyText) {
  ASSERT_TRUE(listener);
  const char bytes[] = {'a', 0, 'b', 0, 'c'};
  EXPECT_EQ(send(5000, bytes, sizeof bytes), TRUE);
  EXPECT_EQ(send(7, nullptr, 0), TRUE);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].text, u"ab");
  EXPECT_EQ(received[1].dwData, 7u);
  EXPECT_EQ(received[1].text, u"");
}

}  // namespace
