"""Reads the running program's window as a screen reader does, over the AT-SPI bus, and ends the
program by pressing "Quitter" through its action. Exit code 0 when everything is as expected."""
import sys
import time

import pyatspi

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def find_application(name, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            application = desktop.getChildAtIndex(index)
            if application is not None and application.name == name and application.childCount:
                return application
        time.sleep(0.2)
    return None


def descendants(node):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield child
            yield from descendants(child)


def action_names(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(index) for index in range(action.nActions)]


def press(node):
    action = node.queryAction()
    names = action_names(node)
    return "Press" in names and action.doAction(names.index("Press"))


application = find_application(sys.argv[1], 60)
check(application is not None, "the program is on the accessibility bus")
if application is None:
    sys.exit(1)

window = application.getChildAtIndex(0)
check(window.getRole() == pyatspi.ROLE_FRAME and window.name == "Sumtide",
      f'the window is the frame "Sumtide" (got {window.getRoleName()} {window.name!r})')
nodes = list(descendants(window))
fields = [node.name for node in nodes if node.getRole() == pyatspi.ROLE_TEXT]
check(sorted(fields) == sorted(["Nom de fichier", "Somme de contrôle MD5", "Comparaison"]),
      f"each field is named by its group's caption (got {fields})")
links = [node for node in nodes if node.getRole() == pyatspi.ROLE_LINK]
check([link.name for link in links] == ["K!Vo"], "the signature is the one link")
check(bool(links) and "Press" in action_names(links[0]), "the link can be pressed")

quit_button = [node for node in nodes
               if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and node.name == "Quitter"]
check(len(quit_button) == 1 and press(quit_button[0]), '"Quitter" is pressed through its action')
sys.exit(1 if failures else 0)
