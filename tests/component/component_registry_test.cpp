#include "platform/component/component_registry.h"
#include "platform/component/sound_output.h"
#include "platform/component/video_output.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ComponentDescription describe(const char (&type)[5], const char (&subType)[5], const char (&maker)[5],
                              uint32_t flags = 0, uint32_t mask = 0) {
    return {FourCC(type), FourCC(subType), FourCC(maker), flags, mask};
}

// A component whose open and close are scripted and counted.
class Scripted : public VideoOutputImplementation {
public:
    ComponentResult open(ComponentInstance) override {
        ++opens;
        return openStatus;
    }
    ComponentResult close(ComponentInstance) override {
        ++closes;
        return noErr;
    }
    bool opensWithoutInstance() const override { return withoutInstance; }
    ComponentResult begin(ComponentInstance) override { return noErr; }

    ComponentResult openStatus = noErr;
    bool withoutInstance = false;
    int opens = 0;
    int closes = 0;
};

std::string pascal(Handle h) {
    return std::string(*h + 1, size_t(uint8_t((*h)[0])));
}

} // namespace

TEST(ComponentRegistry, FindNextTakesTheFirstMatchInRegistrationOrder) {
    ComponentRegistry registry;
    auto impl = std::make_shared<Scripted>();
    Component other = registry.registerComponent(describe("vout", "Othr", "QexV"), "other", impl);
    Component a = registry.registerComponent(describe("vout", "TavX", "QexV"), "a", impl);
    Component flagged = registry.registerComponent(describe("vout", "TavX", "QexV", 1), "flagged", impl);
    registry.registerComponent(describe("sdev", "TavX", "QexV"), "sound", impl);

    ComponentDescription looking = describe("vout", "TavX", "QexV");
    EXPECT_EQ(FindNextComponent(nullptr, &looking), a);
    EXPECT_EQ(FindNextComponent(a, &looking), flagged); // mask 0: flags do not matter
    EXPECT_EQ(FindNextComponent(flagged, &looking), nullptr);
    EXPECT_EQ(CountComponents(&looking), 2);

    looking.componentFlags = 1;
    looking.componentFlagsMask = 1;
    EXPECT_EQ(FindNextComponent(nullptr, &looking), flagged);
    looking.componentFlags = 0;
    EXPECT_EQ(FindNextComponent(nullptr, &looking), a);
    EXPECT_EQ(FindNextComponent(a, &looking), nullptr);

    ComponentDescription anySubType = describe("vout", "TavX", "QexV");
    anySubType.componentSubType = 0;
    EXPECT_EQ(FindNextComponent(nullptr, &anySubType), other);
    EXPECT_EQ(CountComponents(&anySubType), 3);
    EXPECT_EQ(CountComponents(nullptr), 4);

    ComponentDescription missing = describe("vout", "TavY", "QexV");
    EXPECT_EQ(FindNextComponent(nullptr, &missing), nullptr);
    EXPECT_EQ(FindNextComponent(reinterpret_cast<Component>(&looking), nullptr), nullptr); // not a component
}

TEST(ComponentRegistry, RegistriesNestAndTheCallsUseTheCurrentOne) {
    EXPECT_EQ(ComponentRegistry::current(), nullptr);
    ComponentDescription looking = describe("vout", "TavX", "QexV");
    EXPECT_EQ(FindNextComponent(nullptr, &looking), nullptr);
    ComponentInstance none = reinterpret_cast<ComponentInstance>(1);
    EXPECT_EQ(OpenAComponent(nullptr, &none), invalidComponentID);
    EXPECT_EQ(none, nullptr);

    ComponentRegistry outer;
    Component a = outer.registerComponent(looking, "outer", std::make_shared<Scripted>());
    {
        ComponentRegistry inner;
        EXPECT_EQ(ComponentRegistry::current(), &inner);
        EXPECT_EQ(FindNextComponent(nullptr, &looking), nullptr);
        Component b = inner.registerComponent(looking, "inner", std::make_shared<Scripted>());
        EXPECT_EQ(FindNextComponent(nullptr, &looking), b);
    }
    EXPECT_EQ(ComponentRegistry::current(), &outer);
    EXPECT_EQ(FindNextComponent(nullptr, &looking), a);
}

TEST(ComponentRegistry, OpenCloseAndNameAsPascalString) {
    ComponentRegistry registry;
    auto impl = std::make_shared<Scripted>();
    ComponentDescription description = describe("vout", "TavX", "QexV", 4);
    Component c = registry.registerComponent(description, "Software Output", impl, "draws into memory");

    HandleOwner name(NewHandle(0));
    HandleOwner info(NewHandle(0));
    ComponentDescription got;
    ASSERT_EQ(GetComponentInfo(c, &got, name.get(), info.get(), nullptr), noErr);
    EXPECT_EQ(GetHandleSize(name.get()), 16);
    EXPECT_EQ(pascal(name.get()), "Software Output");
    EXPECT_EQ(pascal(info.get()), "draws into memory");
    EXPECT_EQ(got.componentSubType, FourCC("TavX"));
    EXPECT_EQ(got.componentFlags, 4u);
    EXPECT_EQ(GetComponentInfo(c, nullptr, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(GetComponentInfo(nullptr, nullptr, name.get(), nullptr, nullptr), invalidComponentID);

    Component longName = registry.registerComponent(description, std::string(300, 'x'), impl);
    ASSERT_EQ(GetComponentInfo(longName, nullptr, name.get(), nullptr, nullptr), noErr);
    EXPECT_EQ(GetHandleSize(name.get()), 256);
    EXPECT_EQ(uint8_t((*name.get())[0]), 255);

    ComponentInstance first = nullptr, second = nullptr;
    ASSERT_EQ(OpenAComponent(c, &first), noErr);
    ASSERT_EQ(OpenAComponent(c, &second), noErr);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(registry.openInstanceCount(c), 2);
    EXPECT_EQ(registry.componentOf(first), c);
    EXPECT_EQ(registry.unregisterComponent(c), validInstancesExist);
    EXPECT_EQ(CloseComponent(first), noErr);
    EXPECT_EQ(CloseComponent(first), invalidComponentID);
    EXPECT_EQ(impl->closes, 1);
    // A closed instance is refused by every call.
    EXPECT_EQ(ComponentFunctionImplemented(first, kComponentOpenSelect), 0);
    EXPECT_EQ(QTVideoOutputBegin(first), badComponentInstance);
    EXPECT_EQ(QTVideoOutputBegin(second), noErr);
    EXPECT_EQ(CloseComponent(second), noErr);
    EXPECT_EQ(registry.unregisterComponent(c), noErr);
    EXPECT_EQ(registry.unregisterComponent(c), invalidComponentID);
    EXPECT_EQ(OpenAComponent(c, &first), invalidComponentID);
}

TEST(ComponentRegistry, ScriptedOpenFailuresAndInstancesLeftOpen) {
    auto refusing = std::make_shared<Scripted>();
    refusing->openStatus = memFullErr;
    auto empty = std::make_shared<Scripted>();
    empty->withoutInstance = true;
    auto leftOpen = std::make_shared<Scripted>();
    {
        ComponentRegistry registry;
        Component r = registry.registerComponent(describe("vout", "TavX", "QexV"), "refusing", refusing);
        Component e = registry.registerComponent(describe("vout", "TavX", "QexV"), "empty", empty);
        Component l = registry.registerComponent(describe("vout", "TavX", "QexV"), "left open", leftOpen);
        ComponentInstance ci = reinterpret_cast<ComponentInstance>(1);
        EXPECT_EQ(OpenAComponent(r, &ci), memFullErr);
        EXPECT_EQ(ci, nullptr);
        EXPECT_EQ(registry.openInstanceCount(r), 0);
        ci = reinterpret_cast<ComponentInstance>(1);
        EXPECT_EQ(OpenAComponent(e, &ci), noErr); // success without an instance
        EXPECT_EQ(ci, nullptr);
        EXPECT_EQ(OpenAComponent(l, &ci), noErr);
        EXPECT_EQ(OpenAComponent(l, nullptr), paramErr);
    }
    EXPECT_EQ(leftOpen->closes, 1); // the registry closed it on its way out
}

TEST(ComponentRegistry, SelectorsAndCallsOnComponentsOfTheWrongKind) {
    ComponentRegistry registry;
    auto plain = std::make_shared<ComponentImplementation>();
    Component c = registry.registerComponent(describe("othr", "TavX", "QexV"), "plain", plain);
    ComponentInstance ci = nullptr;
    ASSERT_EQ(OpenAComponent(c, &ci), noErr);
    for (int16_t selector :
         {kComponentOpenSelect, kComponentCloseSelect, kComponentCanDoSelect, kComponentVersionSelect})
        EXPECT_EQ(ComponentFunctionImplemented(ci, selector), 1) << selector;
    EXPECT_EQ(ComponentFunctionImplemented(ci, kQTVideoOutputGetIndSoundOutputSelect), 0);
    EXPECT_EQ(ComponentFunctionImplemented(ci, 257), 0);
    EXPECT_EQ(QTVideoOutputBegin(ci), badComponentSelector); // not a video output
    GWorldPtr gw = nullptr;
    EXPECT_EQ(QTVideoOutputGetGWorld(nullptr, &gw), badComponentInstance);

    // A video output that overrides nothing lacks every call.
    Component bare = registry.registerComponent(describe("vout", "Bare", "QexV"), "bare",
                                                std::make_shared<VideoOutputImplementation>());
    ComponentInstance bareInstance = nullptr;
    ASSERT_EQ(OpenAComponent(bare, &bareInstance), noErr);
    QTAtomContainer list = nullptr;
    EXPECT_EQ(QTVideoOutputGetDisplayModeList(bareInstance, &list), badComponentSelector);
    EXPECT_EQ(QTVideoOutputEnd(bareInstance), badComponentSelector);

    // Sound output calls want a registered sound output component.
    UnsignedFixed rate = 0;
    EXPECT_EQ(GetSoundOutputInfo(c, siSampleRate, &rate), invalidComponentID);
    EXPECT_EQ(GetSoundOutputInfo(nullptr, siSampleRate, &rate), invalidComponentID);
    Component sound = registry.registerComponent(describe("sdev", "Bare", "QexV"), "mute",
                                                 std::make_shared<SoundOutputImplementation>());
    EXPECT_EQ(GetSoundOutputInfo(sound, siSampleRate, &rate), siUnknownInfoType);
    EXPECT_EQ(SetSoundOutputInfo(sound, siSampleRate, nullptr), siUnknownInfoType);
}

namespace {

// Records what a private call through a parameter block hands the component.
class PrivateCallRecorder : public ComponentImplementation {
public:
    bool canDo(int16_t selector) const override {
        return selector == 257 || ComponentImplementation::canDo(selector);
    }
    ComponentResult dispatch(ComponentInstance self, const ComponentParameters& params) override {
        if (params.what != 257)
            return badComponentSelector;
        receivedSelf = self;
        flags = params.flags;
        paramSize = params.paramSize;
        firstSlot = params.params[0];
        secondSlot = params.params[1];
        return noErr;
    }
    ComponentInstance receivedSelf = nullptr;
    int flags = -1;
    int paramSize = -1;
    intptr_t firstSlot = -1;
    intptr_t secondSlot = -1;
};

} // namespace

TEST(ComponentRegistry, PrivateCallParameterBlockPutsTheLastParameterFirst) {
    ComponentRegistry registry;
    auto recorder = std::make_shared<PrivateCallRecorder>();
    Component c = registry.registerComponent(describe("vout", "TavX", "QexV"), "recorder", recorder);
    ComponentInstance ci = nullptr;
    ASSERT_EQ(OpenAComponent(c, &ci), noErr);
    EXPECT_EQ(ComponentFunctionImplemented(ci, 257), 1);

    // VideoOutSetTimeCode(ci, definition, record): flags 0, 8 bytes of parameters, selector 257,
    // the record first, then the definition, then the instance.
    int definition = 0, record = 0;
    ComponentParameters block;
    block.flags = 0;
    block.paramSize = 8;
    block.what = 257;
    block.params[0] = reinterpret_cast<intptr_t>(&record);
    block.params[1] = reinterpret_cast<intptr_t>(&definition);
    block.params[2] = reinterpret_cast<intptr_t>(ci);
    EXPECT_EQ(CallComponentDispatch(&block), noErr);
    EXPECT_EQ(recorder->receivedSelf, ci);
    EXPECT_EQ(recorder->flags, 0);
    EXPECT_EQ(recorder->paramSize, 8);
    EXPECT_EQ(recorder->firstSlot, reinterpret_cast<intptr_t>(&record));
    EXPECT_EQ(recorder->secondSlot, reinterpret_cast<intptr_t>(&definition));

    block.what = 258;
    EXPECT_EQ(CallComponentDispatch(&block), badComponentSelector);
    block.what = 257;
    block.params[2] = 0; // the instance is not where the size says
    EXPECT_EQ(CallComponentDispatch(&block), badComponentInstance);
    block.paramSize = 7;
    EXPECT_EQ(CallComponentDispatch(&block), paramErr);
    block.paramSize = 4 * (kComponentParameterSlots + 1);
    EXPECT_EQ(CallComponentDispatch(&block), paramErr);
    EXPECT_EQ(CallComponentDispatch(nullptr), paramErr);
}
