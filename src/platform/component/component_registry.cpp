#include "platform/component/component_registry.h"

#include <algorithm>
#include <cstring>

struct ComponentRecord {
    ComponentDescription description;
    std::string name;
    std::string info;
    std::shared_ptr<ComponentImplementation> implementation;
};

struct ComponentInstanceRecord {
    ComponentRecord* component = nullptr;
    // Shared so that the code stays alive while the instance is open.
    std::shared_ptr<ComponentImplementation> implementation;
};

namespace {

ComponentRegistry* s_current = nullptr;

constexpr size_t kMaxPascalLength = 255;

bool matches(const ComponentDescription& component, const ComponentDescription* looking) {
    if (!looking)
        return true;
    auto fieldMatches = [](OSType wanted, OSType actual) { return wanted == 0 || wanted == actual; };
    return fieldMatches(looking->componentType, component.componentType) &&
           fieldMatches(looking->componentSubType, component.componentSubType) &&
           fieldMatches(looking->componentManufacturer, component.componentManufacturer) &&
           ((component.componentFlags ^ looking->componentFlags) & looking->componentFlagsMask) == 0;
}

OSErr copyPascalString(const std::string& text, Handle h) {
    if (!h)
        return noErr;
    size_t length = std::min(text.size(), kMaxPascalLength);
    SetHandleSize(h, Size(length + 1));
    if (MemError() != noErr)
        return MemError();
    (*h)[0] = char(uint8_t(length));
    std::memcpy(*h + 1, text.data(), length);
    return noErr;
}

} // namespace

ComponentRegistry::ComponentRegistry() : m_previous(s_current) {
    s_current = this;
}

ComponentRegistry::~ComponentRegistry() {
    while (!m_instances.empty())
        close(m_instances.back().get());
    if (s_current == this) {
        s_current = m_previous;
        return;
    }
    // Destroyed out of order: unlink from the registries made after it.
    for (ComponentRegistry* r = s_current; r; r = r->m_previous) {
        if (r->m_previous == this) {
            r->m_previous = m_previous;
            break;
        }
    }
}

ComponentRegistry* ComponentRegistry::current() {
    return s_current;
}

Component ComponentRegistry::registerComponent(const ComponentDescription& description,
                                               const std::string& name,
                                               std::shared_ptr<ComponentImplementation> implementation,
                                               const std::string& info) {
    if (!implementation)
        return nullptr;
    auto record = std::make_unique<ComponentRecord>();
    record->description = description;
    record->name = name.substr(0, kMaxPascalLength);
    record->info = info.substr(0, kMaxPascalLength);
    record->implementation = std::move(implementation);
    m_components.push_back(std::move(record));
    return m_components.back().get();
}

OSErr ComponentRegistry::unregisterComponent(Component component) {
    if (!find(component))
        return invalidComponentID;
    if (openInstanceCount(component) > 0)
        return validInstancesExist;
    std::erase_if(m_components, [&](const auto& record) { return record.get() == component; });
    return noErr;
}

Component ComponentRegistry::findNext(Component after, const ComponentDescription* looking) const {
    auto it = m_components.begin();
    if (after) {
        it = std::find_if(m_components.begin(), m_components.end(),
                          [&](const auto& record) { return record.get() == after; });
        if (it == m_components.end())
            return nullptr;
        ++it;
    }
    for (; it != m_components.end(); ++it) {
        if (matches((*it)->description, looking))
            return it->get();
    }
    return nullptr;
}

long ComponentRegistry::count(const ComponentDescription* looking) const {
    return long(std::count_if(m_components.begin(), m_components.end(),
                              [&](const auto& record) { return matches(record->description, looking); }));
}

OSErr ComponentRegistry::open(Component component, ComponentInstance* instance) {
    if (!instance)
        return paramErr;
    *instance = nullptr;
    ComponentRecord* record = find(component);
    if (!record)
        return invalidComponentID;
    if (record->implementation->opensWithoutInstance())
        return noErr;
    auto opened = std::make_unique<ComponentInstanceRecord>();
    opened->component = record;
    opened->implementation = record->implementation;
    ComponentResult result = opened->implementation->open(opened.get());
    if (result != noErr)
        return OSErr(result);
    m_instances.push_back(std::move(opened));
    *instance = m_instances.back().get();
    return noErr;
}

OSErr ComponentRegistry::close(ComponentInstance instance) {
    ComponentInstanceRecord* record = find(instance);
    if (!record)
        return invalidComponentID;
    std::shared_ptr<ComponentImplementation> implementation = record->implementation;
    ComponentResult result = implementation->close(instance);
    std::erase_if(m_instances, [&](const auto& r) { return r.get() == instance; });
    return OSErr(result);
}

ComponentImplementation* ComponentRegistry::implementationOf(Component component) const {
    ComponentRecord* record = find(component);
    return record ? record->implementation.get() : nullptr;
}

ComponentImplementation* ComponentRegistry::implementationOf(ComponentInstance instance) const {
    ComponentInstanceRecord* record = find(instance);
    return record ? record->implementation.get() : nullptr;
}

Component ComponentRegistry::componentOf(ComponentInstance instance) const {
    ComponentInstanceRecord* record = find(instance);
    return record ? record->component : nullptr;
}

bool ComponentRegistry::describe(Component component, ComponentDescription* description, std::string* name,
                                 std::string* info) const {
    ComponentRecord* record = find(component);
    if (!record)
        return false;
    if (description)
        *description = record->description;
    if (name)
        *name = record->name;
    if (info)
        *info = record->info;
    return true;
}

int ComponentRegistry::openInstanceCount(Component component) const {
    return int(std::count_if(m_instances.begin(), m_instances.end(),
                             [&](const auto& record) { return record->component == component; }));
}

ComponentRecord* ComponentRegistry::find(Component component) const {
    if (!component)
        return nullptr;
    auto it = std::find_if(m_components.begin(), m_components.end(),
                           [&](const auto& record) { return record.get() == component; });
    return it == m_components.end() ? nullptr : it->get();
}

ComponentInstanceRecord* ComponentRegistry::find(ComponentInstance instance) const {
    if (!instance)
        return nullptr;
    auto it = std::find_if(m_instances.begin(), m_instances.end(),
                           [&](const auto& record) { return record.get() == instance; });
    return it == m_instances.end() ? nullptr : it->get();
}

Component FindNextComponent(Component aComponent, ComponentDescription* looking) {
    ComponentRegistry* registry = ComponentRegistry::current();
    return registry ? registry->findNext(aComponent, looking) : nullptr;
}

long CountComponents(ComponentDescription* looking) {
    ComponentRegistry* registry = ComponentRegistry::current();
    return registry ? registry->count(looking) : 0;
}

OSErr OpenAComponent(Component aComponent, ComponentInstance* ci) {
    ComponentRegistry* registry = ComponentRegistry::current();
    if (!registry) {
        if (ci)
            *ci = nullptr;
        return invalidComponentID;
    }
    return registry->open(aComponent, ci);
}

OSErr CloseComponent(ComponentInstance aComponentInstance) {
    ComponentRegistry* registry = ComponentRegistry::current();
    return registry ? registry->close(aComponentInstance) : invalidComponentID;
}

OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName,
                       Handle componentInfo, Handle /*componentIcon*/) {
    ComponentRegistry* registry = ComponentRegistry::current();
    std::string name;
    std::string info;
    if (!registry || !registry->describe(aComponent, cd, &name, &info))
        return invalidComponentID;
    if (OSErr status = copyPascalString(name, componentName); status != noErr)
        return status;
    return copyPascalString(info, componentInfo);
}

long ComponentFunctionImplemented(ComponentInstance ci, int16_t ftnNumber) {
    ComponentRegistry* registry = ComponentRegistry::current();
    ComponentImplementation* implementation = registry ? registry->implementationOf(ci) : nullptr;
    return implementation && implementation->canDo(ftnNumber) ? 1 : 0;
}

ComponentResult CallComponentDispatch(ComponentParameters* cp) {
    if (!cp || cp->paramSize % 4 != 0 || cp->paramSize / 4 > kComponentParameterSlots)
        return paramErr;
    auto instance = reinterpret_cast<ComponentInstance>(cp->params[cp->paramSize / 4]);
    ComponentRegistry* registry = ComponentRegistry::current();
    ComponentImplementation* implementation = registry ? registry->implementationOf(instance) : nullptr;
    if (!implementation)
        return badComponentInstance;
    return implementation->dispatch(instance, *cp);
}
