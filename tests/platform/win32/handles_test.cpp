// The handle owners under Wine: each closes its handle once, a move hands it over, a selection
// puts the previous object back.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "platform/win32/handles.h"

namespace {

HBITMAP tinyBitmap() { return CreateBitmap(2, 2, 1, 1, nullptr); }

TEST(Handles, GdiOwnersDeleteOnceAndMovesHandOver) {
  OwnedBitmap first(tinyBitmap());
  const HBITMAP handle = first.get();
  ASSERT_TRUE(first);
  ASSERT_EQ(GetObjectType(handle), DWORD(OBJ_BITMAP));

  OwnedBitmap second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.get(), handle);
  EXPECT_EQ(GetObjectType(handle), DWORD(OBJ_BITMAP)) << "a move must not delete";

  // Assigning over a held object deletes that one, not the incoming.
  OwnedBitmap third(tinyBitmap());
  const HBITMAP replaced = third.get();
  third = std::move(second);
  EXPECT_EQ(GetObjectType(replaced), 0u);
  EXPECT_EQ(third.get(), handle);
  EXPECT_EQ(GetObjectType(handle), DWORD(OBJ_BITMAP));

  // release() gives it up undeleted; a new owner takes it and deletes it.
  const HBITMAP released = third.release();
  EXPECT_FALSE(third);
  EXPECT_EQ(GetObjectType(released), DWORD(OBJ_BITMAP));
  {
    OwnedBitmap adopted(released);
  }
  EXPECT_EQ(GetObjectType(released), 0u);

  OwnedBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
  const HBRUSH brushHandle = brush.get();
  brush.reset();
  EXPECT_FALSE(brush);
  EXPECT_EQ(GetObjectType(brushHandle), 0u);
}

TEST(Handles, SelectionPutsThePreviousObjectBack) {
  OwnedDc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const HGDIOBJ stockBitmap = GetCurrentObject(dc.get(), OBJ_BITMAP);
  const HGDIOBJ stockFont = GetCurrentObject(dc.get(), OBJ_FONT);
  OwnedBitmap bitmap(tinyBitmap());
  LOGFONTA look = {};
  look.lfHeight = -12;
  OwnedFont font(CreateFontIndirectA(&look));
  ASSERT_TRUE(bitmap);
  ASSERT_TRUE(font);
  {
    SelectedObject withBitmap(dc.get(), bitmap.get());
    ASSERT_TRUE(withBitmap);
    SelectedObject withFont(dc.get(), font.get());
    ASSERT_TRUE(withFont);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());

    // A moved selection is put back once, by its new holder.
    SelectedObject moved(std::move(withFont));
    EXPECT_FALSE(withFont);
    withFont.reset();
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());
    moved.reset();
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), stockFont);
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), stockBitmap);

  // Nothing to select, nothing to put back.
  EXPECT_FALSE(SelectedObject(nullptr, bitmap.get()));
  EXPECT_FALSE(SelectedObject(dc.get(), nullptr));
  // A bitmap selected elsewhere cannot go into a second memory context.
  OwnedDc other(CreateCompatibleDC(nullptr));
  SelectedObject held(other.get(), bitmap.get());
  ASSERT_TRUE(held);
  SelectedObject refused(dc.get(), bitmap.get());
  EXPECT_FALSE(refused);
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), stockBitmap);
}

TEST(Handles, KernelRegistryAndIconOwnersClose) {
  OwnedHandle event(CreateEventA(nullptr, TRUE, TRUE, nullptr));
  ASSERT_TRUE(event);
  const HANDLE eventHandle = event.get();
  EXPECT_EQ(WaitForSingleObject(eventHandle, 0), WAIT_OBJECT_0);
  event.reset();
  EXPECT_EQ(WaitForSingleObject(eventHandle, 0), WAIT_FAILED);

  HKEY raw = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\QuendlerHandlesTest", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &raw, nullptr),
            ERROR_SUCCESS);
  const DWORD value = 7;
  {
    OwnedKey key(raw);
    EXPECT_EQ(RegSetValueExA(key.get(), "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
  }
  DWORD size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(raw, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QuendlerHandlesTest");

  OwnedBitmap colour(CreateBitmap(16, 16, 1, 32, nullptr)), mask(CreateBitmap(16, 16, 1, 1, nullptr));
  ICONINFO info = {};
  info.fIcon = TRUE;
  info.hbmColor = colour.get();
  info.hbmMask = mask.get();
  OwnedIcon icon(CreateIconIndirect(&info));
  ASSERT_TRUE(icon);
  const HICON iconHandle = icon.get();
  ICONINFO copy = {};
  ASSERT_TRUE(GetIconInfo(iconHandle, &copy));
  OwnedBitmap copyColour(copy.hbmColor), copyMask(copy.hbmMask);
  icon.reset();
  EXPECT_FALSE(GetIconInfo(iconHandle, &copy));
}

TEST(Handles, WindowDcGoesBackToItsWindow) {
  // A moved owner gives the context back once: afterwards there is nothing left to release.
  WindowDc screen(nullptr);
  ASSERT_TRUE(screen);
  EXPECT_GT(GetDeviceCaps(screen.get(), BITSPIXEL), 0);
  const HDC dc = screen.get();
  WindowDc moved(std::move(screen));
  EXPECT_FALSE(screen);
  EXPECT_EQ(moved.get(), dc);
  moved.reset();
  EXPECT_FALSE(moved);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 0) << "the context was not given back";
}

}  // namespace
