// MyVideoOut: making the controller, opening the device, reading its modes, closing.
#include "videoout/my_video_out.h"

#include "platform/component/video_output.h"
#include "platform/log.h"
#include "videoout/component_code_text.h"
#include "videoout/display_mode_choice.h"
#include "videoout/image_description_fields.h"

#include <algorithm>
#include <new>

std::shared_ptr<MyVideoOut> MyVideoOut::initWithComponentType(OSType type, OSType subType, OSType mfgr,
                                                              OSErr* initStatus) {
    std::shared_ptr<MyVideoOut> videoOut;
    try {
        videoOut = std::shared_ptr<MyVideoOut>(new MyVideoOut(type, subType, mfgr));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    OSErr status = videoOut->initVideoOut();
    if (status != noErr) {
        // Disabled; an instance that was opened stays open until close().
        videoOut->m_videoOutSelect = 0;
        videoOut->m_numVideoOutDevices = 0;
    }
    if (initStatus)
        *initStatus = status;
    return videoOut;
}

MyVideoOut::MyVideoOut(OSType type, OSType subType, OSType mfgr)
    : m_compType(type), m_compSubType(subType), m_compMfgr(mfgr) {}

MyVideoOut::~MyVideoOut() {
    close();
}

void MyVideoOut::logComponentError(const char* format) const {
    auto t = ComponentCodeChars(m_compType);
    auto s = ComponentCodeChars(m_compSubType);
    auto m = ComponentCodeChars(m_compMfgr);
    NSLog(format, t[0], t[1], t[2], t[3], s[0], s[1], s[2], s[3], m[0], m[1], m[2], m[3]);
}

OSErr MyVideoOut::initVideoOut() {
    ComponentDescription looking;
    looking.componentType = m_compType;
    looking.componentSubType = m_compSubType;
    looking.componentManufacturer = m_compMfgr;
    looking.componentFlags = 0;
    looking.componentFlagsMask = 0;
    m_videoOutComp = FindNextComponent(nullptr, &looking);
    if (!m_videoOutComp) {
        logComponentError("Error: could not find QuickTime VideoOut component %c%c%c%c/%c%c%c%c/%c%c%c%c\n");
        return badComponentType;
    }

    m_videoOutInstance = nullptr;
    OSErr status = OpenAComponent(m_videoOutComp, &m_videoOutInstance);
    if (status != noErr || !m_videoOutInstance) {
        logComponentError(
            "Error: could not open instance of VideoOut component %c%c%c%c/%c%c%c%c/%c%c%c%c\n");
        // A component that reports success without an instance is as good as none.
        return status != noErr ? status : invalidComponentID;
    }

    m_hComponentName.reset(NewHandle(0));
    GetComponentInfo(m_videoOutComp, nullptr, m_hComponentName.get(), nullptr, nullptr);

    QTAtomContainer list = nullptr;
    status = OSErr(QTVideoOutputGetDisplayModeList(m_videoOutInstance, &list));
    if (status != noErr || !list) {
        logComponentError(
            "Error: could not get Display Mode List from VideoOut component %c%c%c%c/%c%c%c%c/%c%c%c%c\n");
        if (list)
            QTDisposeAtomContainer(list);
        return status != noErr ? status : invalidAtomContainerErr;
    }

    m_numDisplayModes = QTCountChildrenOfType(list, kParentAtomIsContainer, kDisplayModeAtomType);
    if (m_numDisplayModes <= 0) {
        auto t = ComponentCodeChars(m_compType);
        auto s = ComponentCodeChars(m_compSubType);
        auto m = ComponentCodeChars(m_compMfgr);
        NSLog("Error: VideoOut component %c%c%c%c/%c%c%c%c/%c%c%c%c has only %d modes\n", t[0], t[1], t[2],
              t[3], s[0], s[1], s[2], s[3], m[0], m[1], m[2], m[3], int(m_numDisplayModes));
        m_numDisplayModes = 0;
        QTDisposeAtomContainer(list);
        return -1;
    }
    // The walk counts in 8 bits: a longer list offers its first 255 modes, so that the count never
    // exceeds the records read.
    if (m_numDisplayModes > kMaxDisplayModes)
        m_numDisplayModes = kMaxDisplayModes;

    m_pModeListData.reset(GetFirstLevelAtoms(list, uint8_t(m_numDisplayModes)));
    QTDisposeAtomContainer(list);
    if (!m_pModeListData) {
        m_numDisplayModes = 0;
        return memFullErr;
    }
    return noErr;
}

void MyVideoOut::close() {
    if (m_bVideoOutputInUse)
        StopVideoOut();
    if (m_videoOutInstance) {
        CloseComponent(m_videoOutInstance);
        m_videoOutInstance = nullptr;
    }
}

std::string MyVideoOut::componentName() const {
    Handle name = m_hComponentName.get();
    Size size = GetHandleSize(name);
    if (size < 1)
        return {};
    const auto* pascal = reinterpret_cast<const unsigned char*>(*name);
    size_t length = std::min<size_t>(pascal[0], size_t(size - 1));
    return std::string(reinterpret_cast<const char*>(pascal + 1), length);
}

int32_t MyVideoOut::ChooseBestDisplayModeForFormat(OSType format, uint32_t width, uint32_t height,
                                                   Fixed fps) const {
    return ChooseBestDisplayMode(displayModes(), format, width, height, fps);
}

int32_t MyVideoOut::ChooseBestDisplayModeForImageDescription(Handle desc, OSType format, Fixed fps) const {
    ImageDescriptionFields fields;
    ReadImageDescriptionFields(desc, &fields);
    if (format == 0)
        format = fields.cType;
    // The 16-bit fields are widened with their sign, as the description declares them.
    return ChooseBestDisplayModeForFormat(format, uint32_t(int32_t(fields.width)),
                                          uint32_t(int32_t(fields.height)), fps);
}
