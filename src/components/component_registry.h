#pragma once
// The component package's class registry: every class of the package is listed
// under its palette page and can be created by its class name, as a form designer
// or a settings loader needs. registerKelvoTools() enters the package's classes on
// the page "KelvoTools"; it may be called any number of times.
//
// Components are QObjects (visual ones QWidgets); the owner becomes the parent,
// and a visual component takes it only when it is a widget.

#include <QObject>

#include <functional>
#include <string>
#include <vector>

using ComponentFactory = std::function<QObject*(QObject* owner)>;

// Enters a class, or replaces the entry of a class of that name.
void RegisterComponent(const std::string& page, const std::string& className, ComponentFactory create);

void registerKelvoTools();

// The class names on a page, in the order they were entered.
std::vector<std::string> ComponentClassNames(const std::string& page);

// A new component of the named class owned by owner; null for an unknown name.
QObject* CreateComponent(const std::string& className, QObject* owner);

// Factories for the two kinds of component.
template <typename T> ComponentFactory ComponentFactoryOf() {
    return [](QObject* owner) -> QObject* { return new T(owner); };
}
template <typename T> ComponentFactory WidgetFactoryOf() {
    return [](QObject* owner) -> QObject* { return new T(qobject_cast<QWidget*>(owner)); };
}
