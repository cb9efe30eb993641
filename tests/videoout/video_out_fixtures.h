// Output devices, mode lists, image descriptions and frames for the video output tests.
#pragma once

#include "platform/component/software_output_device.h"
#include "platform/memory.h"
#include "platform/movie/atom_container.h"
#include "videoout/display_mode_record.h"
#include "videoout/my_video_out.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace videoouttest {

constexpr OSType kVout = FourCC("vout");
constexpr OSType kTavX = FourCC("TavX");
constexpr OSType kQexV = FourCC("QexV");

/// The software device with failures to order, recording the calls it gets ("begin",
/// "setDisplayMode 8", ...) and the instances it was opened for.
class ScriptedDevice : public SoftwareOutputDevice {
public:
    using SoftwareOutputDevice::SoftwareOutputDevice;

    ComponentResult openStatus = noErr;
    bool openWithoutInstance = false;
    ComponentResult listStatus = noErr;
    bool noList = false;
    ComponentResult gWorldStatus = noErr;
    bool hasSoundSelector = true;
    bool hasTimeCodeSelector = true;

    std::vector<std::string> calls;
    std::vector<ComponentInstance> opened;

    ComponentResult open(ComponentInstance self) override;
    bool opensWithoutInstance() const override { return openWithoutInstance; }
    bool canDo(int16_t selector) const override;
    ComponentResult dispatch(ComponentInstance self, const ComponentParameters& params) override;
    ComponentResult getDisplayModeList(ComponentInstance self, QTAtomContainer* list) override;
    ComponentResult setClientName(ComponentInstance self, const unsigned char* name) override;
    ComponentResult setDisplayMode(ComponentInstance self, long displayModeID) override;
    ComponentResult begin(ComponentInstance self) override;
    ComponentResult end(ComponentInstance self) override;
    ComponentResult getGWorld(ComponentInstance self, GWorldPtr* gw) override;
    ComponentResult getIndSoundOutput(ComponentInstance self, long index,
                                      Component* outputComponent) override;
    ComponentResult setEchoPort(ComponentInstance self, CGrafPtr echoPort) override;
};

/// A registry holding an output device under 'vout'/'TavX'/'QexV' with a sound output; the device
/// is the software one unless a scripted one is given. Declare the controller after it, so that it
/// goes first.
struct OutputBench {
    explicit OutputBench(
        std::shared_ptr<SoftwareOutputDevice> device = std::make_shared<SoftwareOutputDevice>(),
        std::vector<UnsignedFixed> rates = {SoftwareSoundOutput::kRate48000});
    /// The controller made as the application makes it; its initVideoOut status into `status`.
    std::shared_ptr<MyVideoOut> makeController(OSErr* status = nullptr) const;

    ComponentRegistry registry;
    std::shared_ptr<SoftwareOutputDevice> device;
    std::shared_ptr<SoftwareSoundOutput> sound;
    Component videoComponent = nullptr;
    Component soundComponent = nullptr;
};

/// One mode, the way the software device describes modes.
OutputModeDescription mode(const std::string& name, int32_t width, int32_t height, Fixed rate,
                           std::vector<OSType> decompressors);

/// Records read from a list of these modes, as the controller reads them.
std::vector<DisplayModeRecord> recordsOf(const std::vector<OutputModeDescription>& modes);

/// An atom of a hand-made mode list: a leaf with data, or a container of children.
struct Atom {
    OSType type;
    QTAtomID id;
    std::vector<uint8_t> data;
    std::vector<Atom> children;
};
std::vector<uint8_t> u32s(std::initializer_list<uint32_t> values);
std::vector<uint8_t> text(const std::string& characters);
/// Appends the atom (and its children) under `parent`.
void appendAtom(QTAtomContainer list, QTAtom parent, const Atom& atom);
/// A complete 'qdmi' atom of `m`, leaving out the children of type `without` (0: none).
Atom modeAtom(const OutputModeDescription& m, QTAtomID id, OSType without = 0);

/// An 86-byte image description of `width` × `height` frames of `codec`, dataSize width × height × 4.
HandleOwner makeDescription(int16_t width, int16_t height, OSType codec = FourCC("R10k"));

/// A frame of `width` × `height` big-endian 10-bit RGB words whose components vary with the pixel.
std::vector<uint8_t> makeFrame(int width, int height, uint32_t seed = 0);
/// The 10-bit red, green and blue of pixel (x, y) of makeFrame().
uint32_t frameComponent(int x, int y, int channel, uint32_t seed = 0);

} // namespace videoouttest
