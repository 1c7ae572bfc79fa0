#include "GuiTest.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace guitest
{
namespace
{
// A connection of the tests' own, so that reading the server never disturbs JUCE's.
Display* display()
{
    static Display* connection = XOpenDisplay(nullptr);
    return connection;
}

int channelOf(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const auto maximum = mask >> shift;
    return (int)(((pixel & mask) >> shift) * 255 / maximum);
}
} // namespace

bool runUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32)timeoutMs;
    while (!condition())
    {
        if (juce::Time::getMillisecondCounter() >= end)
            return condition();
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
    }
    return true;
}

void pump(int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32)milliseconds;
    while (juce::Time::getMillisecondCounter() < end)
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
}

juce::Image render(juce::Component& component)
{
    auto snapshot = component.createComponentSnapshot(component.getLocalBounds(), true, 1.0f);
    return snapshot.convertedToFormat(juce::Image::ARGB);
}

juce::Colour pixelAt(const juce::Image& image, int x, int y)
{
    return image.getPixelAt(x, y);
}

juce::Image grabWindow(unsigned long windowId, juce::Rectangle<int> area)
{
    auto* d = display();
    if (d == nullptr || windowId == 0)
        return {};

    XWindowAttributes attributes{};
    if (XGetWindowAttributes(d, (Window)windowId, &attributes) == 0)
        return {};
    if (area.isEmpty())
        area = {0, 0, attributes.width, attributes.height};

    auto* xImage = XGetImage(d, (Window)windowId, area.getX(), area.getY(), (unsigned)area.getWidth(),
                             (unsigned)area.getHeight(), AllPlanes, ZPixmap);
    if (xImage == nullptr)
        return {};

    juce::Image image(juce::Image::RGB, area.getWidth(), area.getHeight(), false);
    {
        juce::Image::BitmapData pixels(image, juce::Image::BitmapData::writeOnly);
        for (int y = 0; y < area.getHeight(); ++y)
            for (int x = 0; x < area.getWidth(); ++x)
            {
                const auto p = XGetPixel(xImage, x, y);
                pixels.setPixelColour(x, y,
                                      juce::Colour((juce::uint8)channelOf(p, xImage->red_mask),
                                                   (juce::uint8)channelOf(p, xImage->green_mask),
                                                   (juce::uint8)channelOf(p, xImage->blue_mask)));
            }
    }
    XDestroyImage(xImage);
    return image;
}

juce::Point<int> windowOriginOnScreen(unsigned long windowId)
{
    auto* d = display();
    if (d == nullptr || windowId == 0)
        return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(d, (Window)windowId, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    return {x, y};
}

juce::Point<int> pointerOnScreen()
{
    auto* d = display();
    if (d == nullptr)
        return {-1, -1};
    Window root = 0, child = 0;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &windowX, &windowY, &mask))
        return {-1, -1};
    return {x, y};
}

bool isButtonDownOnServer(int button)
{
    auto* d = display();
    if (d == nullptr || button < 1 || button > 5)
        return false;
    Window root = 0, child = 0;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned int mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &windowX, &windowY, &mask);
    return (mask & (Button1Mask << (button - 1))) != 0;
}

bool hasFocusOnServer(unsigned long windowId)
{
    auto* d = display();
    if (d == nullptr || windowId == 0)
        return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);

    // The focus may sit on a child of the window.
    while (focus != None && focus != PointerRoot)
    {
        if (focus == (Window)windowId)
            return true;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(d, focus, &root, &parent, &children, &count) == 0)
            return false;
        if (children != nullptr)
            XFree(children);
        if (parent == root)
            return false;
        focus = parent;
    }
    return false;
}

bool isWindowViewable(unsigned long windowId)
{
    auto* d = display();
    if (d == nullptr || windowId == 0)
        return false;
    XWindowAttributes attributes{};
    return XGetWindowAttributes(d, (Window)windowId, &attributes) != 0 && attributes.map_state == IsViewable;
}

namespace
{
// What the server has of the pointer, the focus and the modifiers, to tell why input went astray.
std::string describeServer()
{
    auto* d = display();
    if (d == nullptr)
        return "no display";
    Window root = 0, child = 0, focus = 0;
    int x = 0, y = 0, windowX = 0, windowY = 0, revert = 0;
    unsigned int mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &windowX, &windowY, &mask);
    XGetInputFocus(d, &focus, &revert);
    return "; the server has the pointer at " + std::to_string(x) + "," + std::to_string(y) +
           " over window 0x" + juce::String::toHexString((juce::int64)child).toStdString() +
           ", the focus on 0x" + juce::String::toHexString((juce::int64)focus).toStdString() +
           ", state mask 0x" + juce::String::toHexString((int)mask).toStdString();
}
} // namespace

bool activate(unsigned long windowId)
{
    if (!runUntil([windowId] { return isWindowViewable(windowId); }, 10000))
        return false;
    return xdo::run("windowactivate --sync " + juce::String(windowId)) &&
           runUntil([windowId] { return hasFocusOnServer(windowId) && juce::Process::isForegroundProcess(); },
                    10000);
}

DesktopWindow::DesktopWindow(juce::Component& c, juce::Point<int> screenPosition)
    : content(c), position(screenPosition)
{
    holder.addAndMakeVisible(content);
    holder.setOpaque(true);
}

DesktopWindow::~DesktopWindow()
{
    holder.removeChildComponent(&content);
    holder.removeFromDesktop();
}

testing::AssertionResult DesktopWindow::show(bool forInput)
{
    // The content is often sized after the window is built, so its size is taken only now.
    content.setTopLeftPosition(0, 0);
    holder.setBounds(juce::Rectangle<int>(position.x, position.y, content.getWidth(), content.getHeight()));
    if (holder.getBounds().isEmpty())
        return testing::AssertionFailure() << "the content has no size";

    holder.addToDesktop(juce::ComponentPeer::windowAppearsOnTaskbar);
    holder.setVisible(true);
    holder.toFront(true);

    const auto id = windowId();
    if (!runUntil([id] { return isWindowViewable(id); }, 10000))
        return testing::AssertionFailure() << "the server never showed the window";

    if (!forInput)
    {
        // A window shown only to be looked at needs to be placed, not focused: a hosted
        // plug-in's editor may take the focus into its own embedded window.
        if (runUntil([this, id] { return holder.getScreenPosition() == windowOriginOnScreen(id); }, 10000))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "JUCE never took the server's placement";
    }

    // Input may only be sent once the server has the focus on the window, JUCE has handled the
    // FocusIn event (its record of the focus, which menus and modal loops consult) and has taken
    // the server's placement.
    const auto ready = [this, id]
    {
        return hasFocusOnServer(id) && juce::Process::isForegroundProcess() &&
               holder.getScreenPosition() == windowOriginOnScreen(id);
    };

    if (xdo::run("windowactivate --sync " + juce::String(id)) && runUntil(ready, 10000))
        return testing::AssertionSuccess();

    return testing::AssertionFailure()
           << "the window never became ready for input: focused on the server " << hasFocusOnServer(id)
           << ", process in front " << juce::Process::isForegroundProcess() << ", JUCE places it at "
           << holder.getScreenPosition().toString() << " and the server at "
           << windowOriginOnScreen(id).toString() << describeServer();
}

unsigned long DesktopWindow::windowId() const
{
    return (unsigned long)(juce::pointer_sized_uint)holder.getWindowHandle();
}

juce::Point<int> DesktopWindow::screenPoint(juce::Component& component, juce::Point<int> local) const
{
    return windowOriginOnScreen(windowId()) + holder.getLocalPoint(&component, local);
}

juce::Point<int> DesktopWindow::screenCentre(juce::Component& component) const
{
    return screenPoint(component, component.getLocalBounds().getCentre());
}

MouseRecorder::MouseRecorder(juce::Component& component) : target(&component)
{
    component.addMouseListener(this, false);
}

MouseRecorder::~MouseRecorder()
{
    if (target != nullptr)
        target->removeMouseListener(this);
}

bool pressAndWait(MouseRecorder& recorder, int button)
{
    const auto before = recorder.downs;
    return xdo::press(button) && runUntil([&] { return recorder.downs > before; });
}

bool releaseAndWait(MouseRecorder& recorder, int button)
{
    const auto before = recorder.ups;
    return xdo::release(button) && runUntil([&] { return recorder.ups > before; });
}

bool dragToAndWait(MouseRecorder& recorder, juce::Point<int> screenPosition)
{
    const auto before = recorder.drags;
    return xdo::moveTo(screenPosition) && runUntil([&] { return recorder.drags > before; });
}

testing::AssertionResult clickWith(MouseRecorder& recorder, int button, const juce::StringArray& keys,
                                   const std::function<void()>& whilePressed)
{
    std::vector<std::unique_ptr<xdo::HeldKey>> held;
    for (const auto& key : keys)
    {
        held.push_back(std::make_unique<xdo::HeldKey>(key));
        if (!held.back()->isHeld())
            return testing::AssertionFailure()
                   << "key " << key.toStdString() << " is not down on the display";
    }

    if (!pressAndWait(recorder, button))
        return testing::AssertionFailure()
               << "the press of button " << button << " was not handled" << describeServer();
    if (whilePressed)
        whilePressed();
    if (!releaseAndWait(recorder, button))
        return testing::AssertionFailure()
               << "the release of button " << button << " was not handled" << describeServer();
    return testing::AssertionSuccess();
}

namespace xdo
{
namespace
{
bool runArguments(const juce::StringArray& arguments)
{
    juce::ChildProcess process;
    if (!process.start(arguments, 0))
        return false;
    if (!process.waitForProcessToFinish(10000))
    {
        process.kill();
        return false;
    }
    return process.getExitCode() == 0;
}

juce::Array<int> heldButtons;
juce::StringArray heldKeys;
juce::uint32 lastPressTime = 0;

// xdotool's names for the left-hand modifier keys, as X keysyms.
juce::String keysymName(const juce::String& key)
{
    static const std::pair<const char*, const char*> aliases[] = {
        {"alt", "Alt_L"},     {"ctrl", "Control_L"}, {"control", "Control_L"},
        {"shift", "Shift_L"}, {"super", "Super_L"},  {"meta", "Meta_L"}};
    for (const auto& [alias, name] : aliases)
        if (key.equalsIgnoreCase(alias))
            return name;
    return key;
}

// Whether any key that carries the keysym is down on the server. False when the keysym is
// unknown or no key carries it.
bool isKeyDownOnServer(const juce::String& name)
{
    auto* d = display();
    const auto sym = XStringToKeysym(name.toRawUTF8());
    if (d == nullptr || sym == NoSymbol)
        return false;

    char keys[32] = {};
    XQueryKeymap(d, keys);

    int minCode = 0, maxCode = 0, perCode = 0;
    XDisplayKeycodes(d, &minCode, &maxCode);
    auto* map = XGetKeyboardMapping(d, (KeyCode)minCode, maxCode - minCode + 1, &perCode);
    if (map == nullptr)
        return false;

    bool down = false;
    for (int code = minCode; code <= maxCode && !down; ++code)
        for (int column = 0; column < perCode; ++column)
            if (map[(code - minCode) * perCode + column] == sym && (keys[code / 8] & (1 << (code % 8))) != 0)
                down = true;
    XFree(map);
    return down;
}

// Two presses of a test are never taken for a double-click.
void waitForDoubleClickTime()
{
    const auto gap = (juce::uint32)juce::MouseEvent::getDoubleClickTimeout() + 50;
    runUntil([gap] { return juce::Time::getMillisecondCounter() - lastPressTime >= gap; }, (int)gap + 100);
}
} // namespace

bool run(const juce::String& arguments)
{
    auto list = juce::StringArray::fromTokens(arguments, " ", "\"");
    list.removeEmptyStrings();
    list.insert(0, "xdotool");
    return runArguments(list);
}

bool moveTo(juce::Point<int> p)
{
    // --sync waits for the pointer to move, and so would wait for ever if it is already there.
    if (pointerOnScreen() == p)
        return true;
    return run("mousemove --sync " + juce::String(p.x) + " " + juce::String(p.y)) && pointerOnScreen() == p;
}

bool press(int button)
{
    waitForDoubleClickTime();
    if (!run("mousedown " + juce::String(button)))
        return false;
    lastPressTime = juce::Time::getMillisecondCounter();
    heldButtons.addIfNotAlreadyThere(button);
    return true;
}

bool pressAndReleaseUnseen(int button)
{
    waitForDoubleClickTime();
    const auto ok = run("mousedown " + juce::String(button) + " mouseup " + juce::String(button));
    lastPressTime = juce::Time::getMillisecondCounter();

    // No message loop here: the server must have the release before JUCE reads anything.
    for (int i = 0; i < 400 && isButtonDownOnServer(button); ++i)
        juce::Thread::sleep(5);
    return ok && !isButtonDownOnServer(button);
}

bool release(int button)
{
    heldButtons.removeFirstMatchingValue(button);
    return run("mouseup " + juce::String(button));
}

bool keyDown(const juce::String& key)
{
    const auto name = keysymName(key);
    if (!run("keydown " + name))
        return false;
    heldKeys.addIfNotAlreadyThere(name);
    return runUntil([name] { return isKeyDownOnServer(name); });
}

bool keyUp(const juce::String& key)
{
    const auto name = keysymName(key);
    heldKeys.removeString(name);
    return run("keyup " + name) && runUntil([name] { return !isKeyDownOnServer(name); });
}

bool key(const juce::String& keysym)
{
    return run("key " + keysymName(keysym));
}

bool type(const juce::String& text)
{
    return runArguments({"xdotool", "type", "--delay", "30", "--", text});
}

void releaseAll()
{
    while (!heldButtons.isEmpty())
        release(heldButtons.getLast());
    while (!heldKeys.isEmpty())
        keyUp(heldKeys[heldKeys.size() - 1]);
}

HeldKey::HeldKey(juce::String k) : keysym(std::move(k))
{
    held = keyDown(keysym);
}
HeldKey::~HeldKey()
{
    keyUp(keysym);
}
} // namespace xdo
} // namespace guitest
