// The component registry and the Component Manager calls.
//
// The application owns one ComponentRegistry for its whole run and registers its components in it
// at start-up. The platform's calls name no registry (FindNextComponent starts "from no
// component"), so they use the current registry: the most recently constructed one that is still
// alive. That pointer is the only process-wide state here; registries nest like log captures, so a
// test makes its own registry, registers scripted components in it and leaves no trace behind.
// Main thread only, like everything that drives the output device.
//
// Components and instances are records owned by their registry. A call with an instance that the
// current registry does not hold (closed, or from a registry that is gone) fails with a status.
#pragma once

#include "platform/component/component_implementation.h"
#include "platform/component/component_types.h"
#include "platform/memory.h"

#include <memory>
#include <string>
#include <vector>

class ComponentRegistry {
public:
    /// Becomes the current registry.
    ComponentRegistry();
    /// Closes the instances still open; the registry that was current before becomes current again.
    ~ComponentRegistry();
    ComponentRegistry(const ComponentRegistry&) = delete;
    ComponentRegistry& operator=(const ComponentRegistry&) = delete;

    /// The registry the platform calls use, or null when none exists.
    static ComponentRegistry* current();

    /// Registers a component after those already registered; its name (at most 255 bytes are kept)
    /// and information string are what GetComponentInfo reports. Null without an implementation.
    Component registerComponent(const ComponentDescription& description, const std::string& name,
                                std::shared_ptr<ComponentImplementation> implementation,
                                const std::string& info = {});
    /// noErr, validInstancesExist while instances are open, invalidComponentID.
    OSErr unregisterComponent(Component component);

    /// The first component registered after `after` (null: from the start) that matches `looking`
    /// (null: any).
    Component findNext(Component after, const ComponentDescription* looking) const;
    long count(const ComponentDescription* looking) const;

    OSErr open(Component component, ComponentInstance* instance);
    OSErr close(ComponentInstance instance);

    /// Lookups for the platform calls; null for what this registry does not hold.
    ComponentImplementation* implementationOf(Component component) const;
    ComponentImplementation* implementationOf(ComponentInstance instance) const;
    Component componentOf(ComponentInstance instance) const;
    bool describe(Component component, ComponentDescription* description, std::string* name,
                  std::string* info) const;
    int openInstanceCount(Component component) const;

private:
    ComponentRecord* find(Component component) const;
    ComponentInstanceRecord* find(ComponentInstance instance) const;

    ComponentRegistry* m_previous;
    std::vector<std::unique_ptr<ComponentRecord>> m_components;
    std::vector<std::unique_ptr<ComponentInstanceRecord>> m_instances;
};

// The Component Manager calls, on the current registry.

Component FindNextComponent(Component aComponent, ComponentDescription* looking);
long CountComponents(ComponentDescription* looking);
/// invalidComponentID for an unknown component, the component's status when it refuses; *ci is
/// null on failure.
OSErr OpenAComponent(Component aComponent, ComponentInstance* ci);
OSErr CloseComponent(ComponentInstance aComponentInstance);
/// Fills `cd` (may be null) and resizes `componentName` and `componentInfo` (each may be null) to
/// hold the name and the information string as Pascal strings: a length byte, then the characters.
/// `componentIcon` is not used.
OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName,
                       Handle componentInfo, Handle componentIcon);
/// Non-zero when the instance's component has the selector; 0 also for a bad instance.
long ComponentFunctionImplemented(ComponentInstance ci, int16_t ftnNumber);
/// Calls the component of the instance in params[paramSize / 4] with the block.
ComponentResult CallComponentDispatch(ComponentParameters* cp);
