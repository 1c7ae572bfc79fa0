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

bool deliverPosted(int timeoutMs)
{
    // JUCE's message queue is first in, first out.
    auto delivered = std::make_shared<bool>(false);
    juce::MessageManager::callAsync([delivered] { *delivered = true; });
    return runUntil([delivered] { return *delivered; }, timeoutMs);
}

bool runTimerRounds(int rounds, int intervalMs)
{
    struct Counter : juce::Timer
    {
        void timerCallback() override { ++calls; }
        int calls = 0;
    } counter;
    counter.startTimer(intervalMs);
    return runUntil([&] { return counter.calls >= rounds; }, defaultTimeoutMs + rounds * intervalMs);
}

bool settle()
{
    for (int hop = 0; hop < 3; ++hop)
        if (!deliverPosted())
            return false;
    return runTimerRounds(3);
}

namespace
{
// The window and every window inside it, as the X server has them.
void collectWindowTree(Display* d, Window window, std::vector<Window>& windows)
{
    windows.push_back(window);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, window, &root, &parent, &children, &count) == 0)
        return;
    for (unsigned int i = 0; i < count; ++i)
        collectWindowTree(d, children[i], windows);
    if (children != nullptr)
        XFree(children);
}
} // namespace

QueuedEventWaker::QueuedEventWaker()
{
    startTimer(20);
}

QueuedEventWaker::~QueuedEventWaker()
{
    stopTimer();
}

void QueuedEventWaker::timerCallback()
{
    auto* d = display();
    if (d == nullptr)
        return;

    // A client message of a type no one knows: JUCE's X code passes over it.
    static const Atom wake = XInternAtom(d, "VORN_TEST_WAKE", False);
    std::vector<Window> windows;
    for (int i = 0; i < juce::ComponentPeer::getNumPeers(); ++i)
        if (auto* peer = juce::ComponentPeer::getPeer(i))
            collectWindowTree(d, (Window)(juce::pointer_sized_uint)peer->getNativeHandle(), windows);

    for (auto window : windows)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = wake;
        event.xclient.format = 32;
        // With no event mask the event goes to the client that made the window, such as a hosted
        // plug-in's own copy of JUCE.
        XSendEvent(d, window, False, NoEventMask, &event);
    }
    XFlush(d);
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

bool hasFocusOnThisProcess()
{
    auto* d = display();
    if (d == nullptr)
        return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    // JUCE puts the focus on a window of its own itself, not on a child.
    for (int i = 0; i < juce::ComponentPeer::getNumPeers(); ++i)
        if (auto* peer = juce::ComponentPeer::getPeer(i))
            if ((Window)(juce::pointer_sized_uint)peer->getNativeHandle() == focus)
                return true;
    return false;
}

bool isHighlightedMenuItem(juce::Component& item)
{
    // JUCE gives a menu item the accessibility focus when it highlights it.
    auto* handler = item.getAccessibilityHandler();
    return handler != nullptr && handler->hasFocus(false);
}

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

namespace
{
// Asks the window manager to activate the window and waits until the condition holds. A loaded
// window manager may still be busy with the window when the first request comes, so the request
// is sent again while the wait goes on.
bool activateUntil(unsigned long windowId, const std::function<bool()>& ready)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32)defaultTimeoutMs;
    while (juce::Time::getMillisecondCounter() < end)
    {
        if (!xdo::run("windowactivate " + juce::String(windowId)))
            return false;
        if (runUntil(ready, 2000))
            return true;
    }
    return ready();
}
} // namespace

bool activate(unsigned long windowId)
{
    if (!runUntil([windowId] { return isWindowViewable(windowId); }))
        return false;
    return activateUntil(windowId, [windowId]
                         { return hasFocusOnServer(windowId) && juce::Process::isForegroundProcess(); });
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
    if (!runUntil([id] { return isWindowViewable(id); }))
        return testing::AssertionFailure() << "the server never showed the window";

    if (!forInput)
    {
        // A window shown only to be looked at needs to be placed, not focused: a hosted
        // plug-in's editor may take the focus into its own embedded window.
        if (runUntil([this, id] { return holder.getScreenPosition() == windowOriginOnScreen(id); }))
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

    if (activateUntil(id, ready))
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
    if (!process.waitForProcessToFinish(defaultTimeoutMs))
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

// Two presses of a test are never taken for a double-click: JUCE's own rule, a lower bound that a
// loaded machine only passes later.
void waitForDoubleClickTime()
{
    const auto gap = (juce::uint32)juce::MouseEvent::getDoubleClickTimeout() + 50;
    runUntil([gap] { return juce::Time::getMillisecondCounter() - lastPressTime >= gap; }, (int)gap + 100);
}

// The flag by which JUCE keeps track of the key, or 0 for a key it does not track.
int juceModifierOf(const juce::String& keysym)
{
    if (keysym.startsWith("Shift_"))
        return juce::ModifierKeys::shiftModifier;
    if (keysym.startsWith("Control_"))
        return juce::ModifierKeys::ctrlModifier;
    if (keysym.startsWith("Alt_"))
        return juce::ModifierKeys::altModifier;
    return 0;
}

// Waits until JUCE has read the modifier key's event, when one of this process's windows gets it,
// and then until the fake mouse move that JUCE posts for the change has been delivered.
// getCurrentModifiers is JUCE's record, read without a round trip.
bool waitUntilJuceHasKey(const juce::String& keysym, bool down)
{
    const auto flag = juceModifierOf(keysym);
    if (flag == 0 || !hasFocusOnThisProcess())
        return true;
    return runUntil([flag, down]
                    { return juce::ModifierKeys::getCurrentModifiers().testFlags(flag) == down; }) &&
           deliverPosted();
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
    if (pointerOnScreen() == p)
        return true;
    return run("mousemove " + juce::String(p.x) + " " + juce::String(p.y)) &&
           runUntil([p] { return pointerOnScreen() == p; });
}

bool press(int button)
{
    waitForDoubleClickTime();
    if (!deliverPosted())
        return false;
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
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32)defaultTimeoutMs;
    while (isButtonDownOnServer(button) && juce::Time::getMillisecondCounter() < end)
        juce::Thread::sleep(1);
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
    return runUntil([name] { return isKeyDownOnServer(name); }) && waitUntilJuceHasKey(name, true);
}

bool keyUp(const juce::String& key)
{
    const auto name = keysymName(key);
    heldKeys.removeString(name);
    return run("keyup " + name) && runUntil([name] { return !isKeyDownOnServer(name); }) &&
           waitUntilJuceHasKey(name, false);
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
