#include "test_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using platform::DeviceObjectData;

namespace {
DeviceObjectData Item(std::int32_t ofs, std::int32_t data = 1) { return DeviceObjectData{ofs, data, 0, 0, 0}; }
constexpr std::int32_t kWheel = 8, kButton1 = 13;
}  // namespace

class MouseWatchTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        f.window.Create(form);
        form.InitMouse();
        f.log.Clear();
    }
    void Notify(std::vector<DeviceObjectData> batch, std::int32_t id = 7) {
        f.directx.batches = {std::move(batch)};
        f.directx.callback->DXCallback(id);
    }
};

TEST_F(MouseWatchTest, InitSetsUpTheDeviceInItsOrder) {
    fakes::FakePlatform g;
    Form1 other(g.platform);
    other.InitMouse();
    EXPECT_THAT(g.log.calls,
                ElementsAre("CreateDirectX8()", "Dx.DirectInputCreate()", "DI.CreateDevice(guid_SysMouse)",
                            "Mouse.SetCommonDataFormat(2)", "Mouse.SetCooperativeLevel(4660,10)",
                            "Mouse.SetProperty(DIPROP_BUFFERSIZE,0,0,10)", "Dx.CreateEvent()",
                            "Mouse.SetEventNotification(7)", "Mouse.Acquire()"));
    EXPECT_EQ(other.MouseEventId, 7);
}

TEST_F(MouseWatchTest, AnyInitFailureReachesTheCaller) {
    for (const char* step : {"CreateDirectX8", "DI.CreateDevice", "Mouse.SetCooperativeLevel", "Mouse.Acquire"}) {
        fakes::FakePlatform g;
        g.log.failing = {step};
        Form1 other(g.platform);
        EXPECT_THROW(other.InitMouse(), platform::Error) << step;
    }
}

TEST_F(MouseWatchTest, MovementOrThePrimaryButtonEndsTheSaver) {
    for (std::int32_t ofs : {platform::DIMOFS_X, platform::DIMOFS_Y, platform::DIMOFS_BUTTON0}) {
        EXPECT_THROW(Notify({Item(ofs)}), fakes::ProgramEnded) << ofs;
    }
    EXPECT_THROW(Notify({Item(platform::DIMOFS_X, 0)}), fakes::ProgramEnded);        // no amount needed
    EXPECT_THROW(Notify({Item(platform::DIMOFS_BUTTON0, 0)}), fakes::ProgramEnded);  // a release counts
}

TEST_F(MouseWatchTest, OtherItemsAreSkippedUntilOneThatCounts) {
    EXPECT_THROW(Notify({Item(kWheel), Item(kButton1), Item(platform::DIMOFS_X)}), fakes::ProgramEnded);
    EXPECT_THAT(f.log.calls, ElementsAre("Mouse.GetDeviceData(10,0)", "End()"));
    f.log.Clear();
    EXPECT_NO_THROW(Notify({Item(kWheel), Item(kButton1), Item(14), Item(15)}));
    EXPECT_NO_THROW(Notify({}));
    EXPECT_THAT(f.log.Named("End"), IsEmpty());
}

TEST_F(MouseWatchTest, AForeignEventReadsNothing) {
    Notify({Item(platform::DIMOFS_X)}, 8);
    EXPECT_THAT(f.log.calls, IsEmpty());
}

TEST_F(MouseWatchTest, PreviewAndDialogIgnoreTheDevice) {
    for (bool preview : {true, false}) {
        SetMode(preview, !preview);
        EXPECT_NO_THROW(Notify({Item(platform::DIMOFS_X), Item(platform::DIMOFS_BUTTON0)}));
    }
    EXPECT_THAT(f.log.Named("End"), IsEmpty());
}

TEST_F(MouseWatchTest, ALostDeviceIsSwallowed) {
    f.log.failing = {"Mouse.GetDeviceData"};
    EXPECT_NO_THROW(Notify({Item(platform::DIMOFS_X)}));
    EXPECT_THAT(f.log.Named("End"), IsEmpty());
}
