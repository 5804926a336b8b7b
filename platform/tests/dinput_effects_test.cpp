// Force feedback on the platform's simulated rumble joystick, as a program
// drives it through DirectInput 7 and as its motors turn (read through the
// machine interface on the virtual clock): the effects offered, parameter
// checks, reading parameters back, motor levels, time lines, the device's
// commands and what acquisition and release do to playing effects.
#include <string>
#include <vector>

#include "machine_clock.h"
#include "support/input_test_support.h"

namespace {

HWND Window() { return reinterpret_cast<HWND>(0x2000); }

constexpr DWORD kMs = 1000;  // microseconds

// An effect record with its own storage: the X axis by offset, Cartesian.
struct EffectRecord {
  DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
  LONG direction[2] = {1, 0};
  DIENVELOPE envelope = {sizeof(DIENVELOPE), 0, 0, 0, 0};
  DICONSTANTFORCE constant = {DI_FFNOMINALMAX};
  DIPERIODIC periodic = {DI_FFNOMINALMAX, 0, 0, 100 * kMs};
  DIRAMPFORCE ramp = {0, 0};
  DIEFFECT effect = {sizeof(DIEFFECT), DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN, INFINITE, 0, DI_FFNOMINALMAX,
                     DIEB_NOTRIGGER, 0, 1, axes, direction, nullptr, sizeof constant, &constant, 0};

  EffectRecord() = default;
  EffectRecord(const EffectRecord &) = delete;
  void UsePeriodic() { Specific(&periodic, sizeof periodic); }
  void UseRamp() { Specific(&ramp, sizeof ramp); }
  void Specific(void *params, DWORD size) {
    effect.lpvTypeSpecificParams = params;
    effect.cbTypeSpecificParams = size;
  }
  void BothAxes() { effect.cAxes = 2; }
};

machine::JoystickModel RumblePad() {
  machine::JoystickModel pad;
  pad.name = "Rumble Pad";
  pad.axes = machine::kAllAxes;
  pad.force_feedback = true;
  return pad;
}

class EffectsTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine::use_virtual_machine_clock();
    ASSERT_EQ(DirectInputCreateEx(nullptr, 0x0700, IID_IDirectInput7A, reinterpret_cast<LPVOID *>(&input_), nullptr),
              DI_OK);
    pad_ = machine::attach_joystick(RumblePad());
    device_ = Device(DISCL_EXCLUSIVE | DISCL_BACKGROUND);
    ASSERT_NE(device_, nullptr);
    ASSERT_EQ(device_->Acquire(), DI_OK);
  }
  void TearDown() override {
    for (IDirectInputEffect *effect : effects_) effect->Release();
    for (IDirectInputDevice7A *device : devices_) device->Release();
    if (input_ != nullptr) input_->Release();
    EXPECT_EQ(machine::live_directinput_devices(), 0);
    MachineTest::TearDown();
  }

  IDirectInputDevice7A *Device(DWORD cooperation, REFGUID guid = GUID_Joystick) {
    LPDIRECTINPUTDEVICEA first = nullptr;
    EXPECT_EQ(input_->CreateDevice(guid, &first, nullptr), DI_OK);
    if (first == nullptr) return nullptr;
    IDirectInputDevice7A *device = nullptr;
    EXPECT_EQ(first->QueryInterface(IID_IDirectInputDevice7A, reinterpret_cast<void **>(&device)), DI_OK);
    first->Release();
    EXPECT_EQ(device->SetDataFormat(&c_dfDIJoystick), DI_OK);
    EXPECT_EQ(device->SetCooperativeLevel(Window(), cooperation), DI_OK);
    devices_.push_back(device);
    return device;
  }

  IDirectInputEffect *Make(REFGUID guid, const DIEFFECT *effect, IDirectInputDevice7A *device = nullptr) {
    LPDIRECTINPUTEFFECT made = nullptr;
    EXPECT_EQ((device != nullptr ? device : device_)->CreateEffect(guid, effect, &made, nullptr), DI_OK);
    if (made != nullptr) effects_.push_back(made);
    return made;
  }

  machine::JoystickRumble Rumble() const { return machine::joystick_rumble(pad_); }

  static DWORD Status(IDirectInputEffect *effect) {
    DWORD status = 0xDEAD;
    EXPECT_EQ(effect->GetEffectStatus(&status), DI_OK);
    return status;
  }
  DWORD FeedbackState() const {
    DWORD state = 0;
    EXPECT_EQ(device_->GetForceFeedbackState(&state), DI_OK);
    return state;
  }

  IDirectInput7A *input_ = nullptr;
  int pad_ = 0;
  IDirectInputDevice7A *device_ = nullptr;
  std::vector<IDirectInputDevice7A *> devices_;
  std::vector<IDirectInputEffect *> effects_;
};

// The instance GUID of the attached device named `name`.
GUID DeviceNamed(IDirectInput7A *input, const std::string &name) {
  std::pair<std::string, GUID> wanted{name, GUID{}};
  input->EnumDevices(
      DIDEVTYPE_JOYSTICK,
      [](LPCDIDEVICEINSTANCEA instance, LPVOID context) -> BOOL {
        auto *want = static_cast<std::pair<std::string, GUID> *>(context);
        if (want->first != instance->tszProductName) return DIENUM_CONTINUE;
        want->second = instance->guidInstance;
        return DIENUM_STOP;
      },
      &wanted, DIEDFL_ATTACHEDONLY);
  return wanted.second;
}

BOOL CALLBACK CollectEffect(LPCDIEFFECTINFOA info, LPVOID context) {
  static_cast<std::vector<std::string> *>(context)->push_back(info->tszName);
  return DIENUM_CONTINUE;
}

TEST_F(EffectsTest, OffersTheRumbleEffectsOnlyOnForceFeedbackSticks) {
  const struct {
    DWORD type;
    size_t listed;
  } filters[] = {{DIEFT_ALL, 7},         {DIEFT_PERIODIC, 5},  {DIEFT_CONSTANTFORCE | DIEFT_FFATTACK, 1},
                 {DIEFT_CONDITION, 0},   {DIEFT_HARDWARE, 0},  {DIEFT_RAMPFORCE | DIEFT_SATURATION, 0}};
  for (const auto &filter : filters) {
    std::vector<std::string> names;
    EXPECT_EQ(device_->EnumEffects(CollectEffect, &names, filter.type), DI_OK);
    EXPECT_EQ(names.size(), filter.listed) << std::hex << filter.type;
  }
  DIEFFECTINFOA info = {sizeof info};
  ASSERT_EQ(device_->GetEffectInfo(&info, GUID_Sine), DI_OK);
  EXPECT_EQ(DIEFT_GETTYPE(info.dwEffType), static_cast<DWORD>(DIEFT_PERIODIC));
  EXPECT_STREQ(info.tszName, "Sine");
  EXPECT_EQ(device_->GetEffectInfo(&info, GUID_Spring), DIERR_DEVICENOTREG);
  info.dwSize = 12;
  EXPECT_EQ(device_->GetEffectInfo(&info, GUID_Sine), DIERR_INVALIDPARAM);
  EXPECT_EQ(device_->GetEffectInfo(nullptr, GUID_Sine), DIERR_INVALIDPARAM);

  LPDIRECTINPUTEFFECT made = reinterpret_cast<LPDIRECTINPUTEFFECT>(0x1);
  EXPECT_EQ(device_->CreateEffect(GUID_Damper, nullptr, &made, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(made, nullptr);
  EXPECT_EQ(device_->CreateEffect(GUID_Sine, nullptr, nullptr, nullptr), DIERR_INVALIDPARAM);

  // A stick without force feedback answers as before.
  machine::JoystickModel plain;
  plain.name = "Plain Stick";
  machine::attach_joystick(plain);
  IDirectInputDevice7A *stick = Device(DISCL_EXCLUSIVE | DISCL_BACKGROUND, DeviceNamed(input_, plain.name));
  ASSERT_NE(stick, nullptr);
  std::vector<std::string> names;
  EXPECT_EQ(stick->EnumEffects(CollectEffect, &names, DIEFT_ALL), DI_OK);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(stick->CreateEffect(GUID_ConstantForce, nullptr, &made, nullptr), DIERR_UNSUPPORTED);
  EXPECT_EQ(stick->SendForceFeedbackCommand(DISFFC_RESET), DIERR_UNSUPPORTED);
  DIPROPDWORD gain = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 5000};
  EXPECT_EQ(SetProp(stick, &DIPROP_FFGAIN, &gain.diph), DIERR_UNSUPPORTED);
}

TEST_F(EffectsTest, BadParametersAreRefusedAndChangeNothing) {
  struct Case {
    const char *name;
    void (*change)(EffectRecord &);
    DWORD flags;
    HRESULT expected;
  };
  const Case cases[] = {
      {"all good", [](EffectRecord &) {}, DIEP_ALLPARAMS, DI_OK},
      {"unknown size", [](EffectRecord &r) { r.effect.dwSize = 20; }, DIEP_ALLPARAMS, DIERR_INVALIDPARAM},
      {"older record", [](EffectRecord &r) { r.effect.dwSize = sizeof(DIEFFECT_DX5); }, DIEP_ALLPARAMS_DX5, DI_OK},
      {"older record has no delay", [](EffectRecord &r) { r.effect.dwSize = sizeof(DIEFFECT_DX5); },
       DIEP_STARTDELAY, DIERR_INVALIDPARAM},
      {"unknown flag", [](EffectRecord &) {}, 0x00010000, DIERR_INVALIDPARAM},
      {"gain above nominal", [](EffectRecord &r) { r.effect.dwGain = 10001; }, DIEP_GAIN, DIERR_INVALIDPARAM},
      {"a trigger button", [](EffectRecord &r) { r.effect.dwTriggerButton = DIJOFS_BUTTON0; }, DIEP_TRIGGERBUTTON,
       DIERR_UNSUPPORTED},
      {"no axes", [](EffectRecord &r) { r.effect.cAxes = 0; }, DIEP_AXES, DIERR_INVALIDPARAM},
      {"three axes", [](EffectRecord &r) { r.effect.cAxes = 3; }, DIEP_AXES, DIERR_INVALIDPARAM},
      {"null axes", [](EffectRecord &r) { r.effect.rgdwAxes = nullptr; }, DIEP_AXES, DIERR_INVALIDPARAM},
      {"Z drives nothing", [](EffectRecord &r) { r.axes[0] = DIJOFS_Z; }, DIEP_AXES, DIERR_INVALIDPARAM},
      {"a button is no axis", [](EffectRecord &r) { r.axes[0] = DIJOFS_BUTTON(1); }, DIEP_AXES, DIERR_INVALIDPARAM},
      {"the same axis twice", [](EffectRecord &r) { r.BothAxes(), r.axes[1] = DIJOFS_X; }, DIEP_AXES,
       DIERR_INVALIDPARAM},
      {"ids and offsets", [](EffectRecord &r) { r.effect.dwFlags |= DIEFF_OBJECTIDS; }, DIEP_AXES,
       DIERR_INVALIDPARAM},
      {"polar on one axis", [](EffectRecord &r) { r.effect.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_POLAR; },
       DIEP_AXES | DIEP_DIRECTION, DIERR_INVALIDPARAM},
      {"two coordinate systems", [](EffectRecord &r) { r.effect.dwFlags |= DIEFF_SPHERICAL; },
       DIEP_AXES | DIEP_DIRECTION, DIERR_INVALIDPARAM},
      {"direction before axes", [](EffectRecord &) {}, DIEP_DIRECTION, DIERR_INVALIDPARAM},
      {"null direction", [](EffectRecord &r) { r.effect.rglDirection = nullptr; }, DIEP_AXES | DIEP_DIRECTION,
       DIERR_INVALIDPARAM},
      {"envelope size", [](EffectRecord &r) { r.effect.lpEnvelope = &r.envelope, r.envelope.dwSize = 4; },
       DIEP_ENVELOPE, DIERR_INVALIDPARAM},
      {"attack above nominal",
       [](EffectRecord &r) { r.effect.lpEnvelope = &r.envelope, r.envelope.dwAttackLevel = 10001; }, DIEP_ENVELOPE,
       DIERR_INVALIDPARAM},
      {"periodic record on a constant force", [](EffectRecord &r) { r.UsePeriodic(); }, DIEP_TYPESPECIFICPARAMS,
       DIERR_INVALIDPARAM},
      {"null parameters", [](EffectRecord &r) { r.effect.lpvTypeSpecificParams = nullptr; },
       DIEP_TYPESPECIFICPARAMS, DIERR_INVALIDPARAM},
      {"magnitude cut to nominal", [](EffectRecord &r) { r.constant.lMagnitude = -20000; },
       DIEP_TYPESPECIFICPARAMS, DI_TRUNCATED},
  };
  for (const Case &c : cases) {
    IDirectInputEffect *effect = Make(GUID_ConstantForce, nullptr);
    ASSERT_NE(effect, nullptr);
    EffectRecord record;
    c.change(record);
    // Parts set before the failing one are not applied either.
    record.effect.dwDuration = 1234;
    EXPECT_EQ(effect->SetParameters(&record.effect, c.flags | DIEP_DURATION | DIEP_NODOWNLOAD), c.expected)
        << c.name;
    DIEFFECT read = {sizeof read};
    ASSERT_EQ(effect->GetParameters(&read, DIEP_DURATION), DI_OK);
    EXPECT_EQ(read.dwDuration, SUCCEEDED(c.expected) ? 1234u : 0u) << c.name;
  }
  EXPECT_EQ(effects_.front()->SetParameters(nullptr, DIEP_ALLPARAMS), DIERR_INVALIDPARAM);

  // Cut magnitudes read back cut; axes, once set, stay.
  IDirectInputEffect *cut = effects_.back();
  DICONSTANTFORCE constant = {};
  DIEFFECT read = {sizeof read};
  read.cbTypeSpecificParams = sizeof constant;
  read.lpvTypeSpecificParams = &constant;
  ASSERT_EQ(cut->GetParameters(&read, DIEP_TYPESPECIFICPARAMS), DI_OK);
  EXPECT_EQ(constant.lMagnitude, -DI_FFNOMINALMAX);
  EffectRecord axes;
  ASSERT_EQ(effects_.front()->SetParameters(&axes.effect, DIEP_AXES | DIEP_NODOWNLOAD), DI_OK);
  axes.axes[0] = DIJOFS_Y;
  EXPECT_EQ(effects_.front()->SetParameters(&axes.effect, DIEP_AXES), DIERR_ALREADYINITIALIZED);
  EffectRecord phase;
  phase.UsePeriodic();
  phase.periodic.dwPhase = 36000;
  IDirectInputEffect *sine = Make(GUID_Sine, nullptr);
  EXPECT_EQ(sine->SetParameters(&phase.effect, DIEP_TYPESPECIFICPARAMS), DIERR_INVALIDPARAM);
  EXPECT_EQ(device_->CreateEffect(GUID_Sine, &phase.effect, &sine, nullptr), DIERR_INVALIDPARAM);
  EXPECT_EQ(sine, nullptr);
}

TEST_F(EffectsTest, ParametersReadBackInTheFormAskedFor) {
  EffectRecord record;
  record.BothAxes();
  record.direction[0] = 0;
  record.direction[1] = -5;  // north: away from the player
  record.effect.dwStartDelay = 7 * kMs;
  IDirectInputEffect *effect = Make(GUID_ConstantForce, &record.effect);
  ASSERT_NE(effect, nullptr);

  DWORD axes[2] = {};
  LONG direction[2] = {};
  DICONSTANTFORCE constant = {};
  DIENVELOPE envelope = {sizeof envelope, 1, 1, 1, 1};
  DIEFFECT read = {sizeof read, DIEFF_OBJECTIDS | DIEFF_POLAR, 0, 0, 0, 0, 0, 1, axes, direction, &envelope, 0,
                   &constant};
  const DWORD all = DIEP_ALLPARAMS;
  EXPECT_EQ(effect->GetParameters(&read, all), DIERR_MOREDATA);
  EXPECT_EQ(read.cAxes, 2u);
  EXPECT_EQ(read.cbTypeSpecificParams, sizeof constant);
  ASSERT_EQ(effect->GetParameters(&read, all), DI_OK);
  DIDEVICEOBJECTINSTANCEA x = {sizeof x}, y = {sizeof y};
  ASSERT_EQ(device_->GetObjectInfo(&x, DIJOFS_X, DIPH_BYOFFSET), DI_OK);
  ASSERT_EQ(device_->GetObjectInfo(&y, DIJOFS_Y, DIPH_BYOFFSET), DI_OK);
  EXPECT_EQ(axes[0], x.dwType);
  EXPECT_EQ(axes[1], y.dwType);
  EXPECT_EQ(read.dwFlags & (DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL), static_cast<DWORD>(DIEFF_POLAR));
  EXPECT_EQ(direction[0], 0);
  EXPECT_EQ(read.lpEnvelope, nullptr) << "no envelope";
  EXPECT_EQ(read.dwStartDelay, 7 * kMs);
  EXPECT_EQ(read.dwTriggerButton, DIEB_NOTRIGGER);
  EXPECT_EQ(constant.lMagnitude, DI_FFNOMINALMAX);

  struct Way {
    DWORD asked;
    LONG first, second;
  };
  const Way ways[] = {{DIEFF_SPHERICAL, 27000, 0}, {DIEFF_CARTESIAN, 0, -5}, {DIEFF_POLAR, 0, 0}};
  for (const Way &way : ways) {
    read.dwFlags = DIEFF_OBJECTOFFSETS | way.asked;
    ASSERT_EQ(effect->GetParameters(&read, DIEP_DIRECTION | DIEP_AXES), DI_OK);
    EXPECT_EQ(direction[0], way.first) << way.asked;
    EXPECT_EQ(direction[1], way.second) << way.asked;
    EXPECT_EQ(axes[1], static_cast<DWORD>(DIJOFS_Y));
  }
  // Set as polar east, read as Cartesian.
  record.effect.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_POLAR;
  record.direction[0] = 9000;
  ASSERT_EQ(effect->SetParameters(&record.effect, DIEP_DIRECTION), DI_OK);
  read.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN;
  ASSERT_EQ(effect->GetParameters(&read, DIEP_DIRECTION), DI_OK);
  EXPECT_EQ(direction[0], 10000);
  EXPECT_EQ(direction[1], 0);
  read.dwFlags = DIEFF_OBJECTOFFSETS;
  EXPECT_EQ(effect->GetParameters(&read, DIEP_DIRECTION), DIERR_INVALIDPARAM) << "no system asked";
  EXPECT_EQ(effect->GetParameters(nullptr, DIEP_DURATION), DIERR_INVALIDPARAM);
}

TEST_F(EffectsTest, MotorLevelsFollowMagnitudeAxesAndGains) {
  struct Case {
    const char *name;
    const GUID *kind;
    void (*setup)(EffectRecord &);
    DWORD deviceGain;
    int low, high;
  };
  const Case cases[] = {
      {"full force on X: the low-frequency motor", &GUID_ConstantForce, [](EffectRecord &) {}, 10000, 65535, 0},
      {"negative half on Y: the high-frequency motor", &GUID_ConstantForce,
       [](EffectRecord &r) { r.axes[0] = DIJOFS_Y, r.constant.lMagnitude = -5000; }, 10000, 0, 32767},
      {"both axes at half gain", &GUID_ConstantForce, [](EffectRecord &r) { r.BothAxes(), r.effect.dwGain = 5000; },
       10000, 32767, 32767},
      {"ramp: its larger end", &GUID_RampForce, [](EffectRecord &r) { r.UseRamp(), r.ramp = {2000, -8000}; }, 10000,
       52428, 0},
      {"sine: its magnitude", &GUID_Sine, [](EffectRecord &r) { r.UsePeriodic(), r.periodic.dwMagnitude = 2500; },
       10000, 16383, 0},
      {"device gain", &GUID_Square, [](EffectRecord &r) { r.UsePeriodic(); }, 5000, 32767, 0},
      {"device gain zero", &GUID_ConstantForce, [](EffectRecord &) {}, 0, 0, 0},
  };
  for (const Case &c : cases) {
    DIPROPDWORD gain = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, c.deviceGain};
    ASSERT_EQ(SetProp(device_, &DIPROP_FFGAIN, &gain.diph), DI_OK);
    EffectRecord record;
    c.setup(record);
    IDirectInputEffect *effect = Make(*c.kind, &record.effect);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(Rumble().low, 0) << c.name << ": created, not started";
    ASSERT_EQ(effect->Start(1, 0), DI_OK) << c.name;
    EXPECT_EQ(Rumble().low, c.low) << c.name;
    EXPECT_EQ(Rumble().high, c.high) << c.name;
    ASSERT_EQ(effect->Stop(), DI_OK);
    EXPECT_EQ(Rumble().low + Rumble().high, 0) << c.name;
  }
  DIPROPDWORD gain = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 10001};
  EXPECT_EQ(SetProp(device_, &DIPROP_FFGAIN, &gain.diph), DIERR_INVALIDPARAM);
  ASSERT_EQ(GetProp(device_, &DIPROP_FFGAIN, &gain.diph), DI_OK);
  EXPECT_EQ(gain.dwData, 0u);

  // Effects add up, to the motor's full speed at most; a solo start stops
  // the others.
  gain.dwData = DI_FFNOMINALMAX;
  ASSERT_EQ(SetProp(device_, &DIPROP_FFGAIN, &gain.diph), DI_OK);
  EffectRecord strong, weak;
  strong.constant.lMagnitude = 7000;
  weak.constant.lMagnitude = 2000;
  IDirectInputEffect *first = Make(GUID_ConstantForce, &strong.effect);
  IDirectInputEffect *second = Make(GUID_ConstantForce, &strong.effect);
  IDirectInputEffect *third = Make(GUID_ConstantForce, &weak.effect);
  ASSERT_EQ(first->Start(1, 0), DI_OK);
  ASSERT_EQ(second->Start(1, 0), DI_OK);
  EXPECT_EQ(Rumble().low, 65535);
  ASSERT_EQ(third->Start(1, DIES_SOLO), DI_OK);
  EXPECT_EQ(Rumble().low, 13107);
  EXPECT_EQ(Status(first), 0u);
  EXPECT_EQ(Status(third), static_cast<DWORD>(DIEGES_PLAYING));
}

TEST_F(EffectsTest, TimeLineOfDelayDurationIterationsAndEnvelope) {
  EffectRecord record;
  record.effect.dwDuration = 100 * kMs;
  record.effect.dwStartDelay = 50 * kMs;
  IDirectInputEffect *effect = Make(GUID_ConstantForce, &record.effect);
  ASSERT_EQ(effect->Start(2, 0), DI_OK);
  const struct {
    double at;  // ms after the start
    int low;
    bool playing;
  } timeline[] = {{0, 0, true}, {49, 0, true}, {50, 65535, true}, {249, 65535, true}, {250, 0, false}};
  double now = 0;
  for (const auto &point : timeline) {
    machine::advance_machine_clock(point.at - now);
    now = point.at;
    EXPECT_EQ(Rumble().low, point.low) << point.at;
    EXPECT_EQ(Status(effect), point.playing ? static_cast<DWORD>(DIEGES_PLAYING) : 0u) << point.at;
  }
  EXPECT_EQ(FeedbackState() & DIGFFS_STOPPED, static_cast<DWORD>(DIGFFS_STOPPED));

  // The envelope rises over its attack and falls over its fade, again in
  // each iteration.
  record.effect.dwStartDelay = 0;
  record.effect.lpEnvelope = &record.envelope;
  record.envelope = {sizeof(DIENVELOPE), 0, 40 * kMs, 5000, 20 * kMs};
  ASSERT_EQ(effect->SetParameters(&record.effect, DIEP_ALLPARAMS | DIEP_START), DI_OK);
  const struct {
    double at;
    int low;
  } envelope[] = {{0, 0}, {20, 32767}, {50, 65535}, {90, 49151}, {99, 34405}, {100, 0}};
  now = 0;
  for (const auto &point : envelope) {
    machine::advance_machine_clock(point.at - now);
    now = point.at;
    EXPECT_NEAR(Rumble().low, point.low, 2) << point.at;
  }
  EXPECT_EQ(Status(effect), 0u) << "one iteration only";

  // Endless iterations keep going.
  ASSERT_EQ(effect->Start(INFINITE, 0), DI_OK);
  machine::advance_machine_clock(100000);
  EXPECT_EQ(Status(effect), static_cast<DWORD>(DIEGES_PLAYING));
  EXPECT_EQ(effect->Start(0, 0), DIERR_INVALIDPARAM);
  EXPECT_EQ(effect->Start(1, 0x4), DIERR_INVALIDPARAM);
}

TEST_F(EffectsTest, DeviceCommandsPauseResetAndSwitchActuators) {
  EffectRecord record;
  record.effect.dwDuration = 100 * kMs;
  IDirectInputEffect *effect = Make(GUID_ConstantForce, &record.effect);
  ASSERT_EQ(effect->Start(1, 0), DI_OK);
  EXPECT_EQ(FeedbackState(), static_cast<DWORD>(DIGFFS_POWERON | DIGFFS_ACTUATORSON));
  machine::advance_machine_clock(50);
  ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_PAUSE), DI_OK);
  EXPECT_EQ(Rumble().low, 0);
  EXPECT_NE(FeedbackState() & DIGFFS_PAUSED, 0u);
  machine::advance_machine_clock(1000);
  ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_CONTINUE), DI_OK);
  machine::advance_machine_clock(40);
  EXPECT_EQ(Rumble().low, 65535) << "paused time does not count";
  machine::advance_machine_clock(20);
  EXPECT_EQ(Rumble().low, 0);

  ASSERT_EQ(effect->Start(1, 0), DI_OK);
  ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_SETACTUATORSOFF), DI_OK);
  EXPECT_EQ(Rumble().low, 0);
  EXPECT_EQ(Status(effect), static_cast<DWORD>(DIEGES_PLAYING)) << "plays on, unfelt";
  EXPECT_NE(FeedbackState() & DIGFFS_ACTUATORSOFF, 0u);
  ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_SETACTUATORSON), DI_OK);
  EXPECT_EQ(Rumble().low, 65535);
  ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_STOPALL), DI_OK);
  EXPECT_EQ(Status(effect), 0u);

  ASSERT_EQ(effect->Start(1, 0), DI_OK);
  ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_RESET), DI_OK);
  EXPECT_EQ(Rumble().low, 0);
  EXPECT_EQ(FeedbackState(), static_cast<DWORD>(DIGFFS_POWERON | DIGFFS_ACTUATORSON | DIGFFS_EMPTY | DIGFFS_STOPPED));
  EXPECT_EQ(effect->Start(1, DIES_NODOWNLOAD), DIERR_NOTDOWNLOADED);
  EXPECT_EQ(effect->Download(), DI_OK);
  EXPECT_EQ(effect->Download(), S_FALSE);
  EXPECT_EQ(effect->Start(1, DIES_NODOWNLOAD), DI_OK);

  for (DWORD bad : {DWORD{0}, DWORD{DISFFC_PAUSE | DISFFC_STOPALL}, DWORD{0x40}}) {
    EXPECT_EQ(device_->SendForceFeedbackCommand(bad), DIERR_INVALIDPARAM) << bad;
  }
  EXPECT_EQ(device_->GetForceFeedbackState(nullptr), DIERR_INVALIDPARAM);
}

TEST_F(EffectsTest, EffectsNeedTheDeviceHeldExclusively) {
  EffectRecord record;
  IDirectInputEffect *effect = Make(GUID_ConstantForce, &record.effect);
  ASSERT_EQ(effect->Start(1, 0), DI_OK);
  ASSERT_EQ(device_->Unacquire(), DI_OK);
  EXPECT_EQ(Rumble().low, 0) << "unacquiring stops the effects";
  EXPECT_EQ(Status(effect), 0u);
  DWORD state = 0;
  EXPECT_EQ(device_->GetForceFeedbackState(&state), DIERR_NOTEXCLUSIVEACQUIRED);
  EXPECT_EQ(device_->SendForceFeedbackCommand(DISFFC_RESET), DIERR_NOTEXCLUSIVEACQUIRED);
  EXPECT_EQ(effect->Start(1, 0), DIERR_NOTEXCLUSIVEACQUIRED);
  EXPECT_EQ(effect->Stop(), DIERR_NOTEXCLUSIVEACQUIRED);
  EXPECT_EQ(effect->Download(), DIERR_NOTEXCLUSIVEACQUIRED);
  EXPECT_EQ(effect->SetParameters(&record.effect, DIEP_GAIN), DI_DOWNLOADSKIPPED);
  ASSERT_EQ(device_->Acquire(), DI_OK);
  EXPECT_EQ(effect->Start(1, DIES_NODOWNLOAD), DIERR_NOTDOWNLOADED) << "unloaded on unacquire";

  // Parameters changed without download play only once downloaded.
  ASSERT_EQ(effect->Start(1, 0), DI_OK);
  record.constant.lMagnitude = 5000;
  ASSERT_EQ(effect->SetParameters(&record.effect, DIEP_TYPESPECIFICPARAMS | DIEP_NODOWNLOAD), DI_OK);
  EXPECT_EQ(Rumble().low, 65535);
  ASSERT_EQ(effect->Download(), DI_OK);
  EXPECT_EQ(Rumble().low, 32767);

  // A non-exclusive device may make effects but not play them; nor can an
  // effect without axes play.
  IDirectInputDevice7A *shared = Device(DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
  ASSERT_EQ(shared->Acquire(), DI_OK);
  IDirectInputEffect *sharedEffect = Make(GUID_Sine, nullptr, shared);
  EXPECT_EQ(sharedEffect->Start(1, 0), DIERR_NOTEXCLUSIVEACQUIRED);
  IDirectInputEffect *bare = Make(GUID_Sine, nullptr);
  EXPECT_EQ(bare->Start(1, 0), DIERR_INCOMPLETEEFFECT);

  // Focus loss of a foreground device, and unplugging, stop the motors.
  IDirectInputDevice7A *foreground = devices_.front();
  ASSERT_EQ(foreground->Unacquire(), DI_OK);
  ASSERT_EQ(foreground->SetCooperativeLevel(Window(), DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
  ASSERT_EQ(foreground->Acquire(), DI_OK);
  ASSERT_EQ(effect->Start(1, 0), DI_OK);
  machine::take_focus();
  EXPECT_EQ(Rumble().low, 0);
  machine::give_focus();
  ASSERT_EQ(foreground->Acquire(), DI_OK);
  ASSERT_EQ(effect->Start(1, 0), DI_OK);
  machine::detach_joystick(pad_);
  EXPECT_EQ(Rumble().low, 0);
  EXPECT_EQ(effect->Start(1, 0), DIERR_NOTEXCLUSIVEACQUIRED);
}

TEST_F(EffectsTest, EffectsOutliveTheirDeviceSafely) {
  EffectRecord record;
  IDirectInputEffect *effect = Make(GUID_ConstantForce, &record.effect);
  ASSERT_EQ(effect->Start(1, 0), DI_OK);
  device_->Release();
  devices_.clear();
  EXPECT_EQ(Rumble().low, 0);
  EXPECT_EQ(effect->Start(1, 0), DIERR_NOTINITIALIZED);
  EXPECT_EQ(effect->SetParameters(&record.effect, DIEP_GAIN), DIERR_NOTINITIALIZED);
}

BOOL CALLBACK CollectTwo(LPDIRECTINPUTEFFECT effect, LPVOID context) {
  auto *seen = static_cast<std::vector<LPDIRECTINPUTEFFECT> *>(context);
  seen->push_back(effect);
  return seen->size() < 2 ? DIENUM_CONTINUE : DIENUM_STOP;
}

TEST_F(EffectsTest, EnumeratesTheEffectsItMadeUntilAskedToStop) {
  for (int i = 0; i < 3; ++i) Make(GUID_Sine, nullptr);
  effects_.front()->Release();
  effects_.erase(effects_.begin());
  std::vector<LPDIRECTINPUTEFFECT> seen;
  EXPECT_EQ(device_->EnumCreatedEffectObjects(CollectTwo, &seen, 0), DI_OK);
  EXPECT_EQ(seen, effects_) << "the released effect is gone";
  EXPECT_EQ(device_->EnumCreatedEffectObjects(CollectTwo, &seen, 1), DIERR_INVALIDPARAM);
  EXPECT_EQ(device_->EnumCreatedEffectObjects(nullptr, nullptr, 0), DIERR_INVALIDPARAM);
}

}  // namespace
