#!/usr/bin/env python3
"""Copies one of ModemManager's D-Bus interface files and adds the Qt type
annotations that Qt's D-Bus code generator needs for types it does not know.
Every interface, member and signature stays as ModemManager ships it; an
argument whose name is a C++ keyword (StateChanged's "new") gets a trailing
underscore, since the generator writes argument names into C++ as they are
(argument names never travel on the bus).

    annotate.py IN.xml OUT.xml
"""
import sys
import xml.etree.ElementTree as ET

# Signatures the generator maps to Qt types by itself.
KNOWN = {"y", "b", "n", "q", "i", "u", "x", "t", "d", "s", "o", "g", "v",
         "as", "ay", "ao", "av"}
# The Qt types of the rest, declared and registered in mm_types.h. A
# signature not listed here stops the build: it needs a type there first.
NAMED = {
    "a{sv}": "QVariantMap",
    "aa{sv}": "MmVariantMapList",
    "au": "MmUintList",
    "(uu)": "MmUintPair",
    "a(uu)": "MmUintPairList",
    "(ub)": "MmUintBool",
    "(uv)": "MmValidity",
    "a(su)": "MmPortList",
    "a{uu}": "MmUintMap",
}
TYPE_NAME = "org.qtproject.QtDBus.QtTypeName"
GETTER = "org.qtproject.QtDBus.PropertyGetter"
# Getters are named after the property with a lower-case initial, which
# must not make a C++ keyword (Sms.Class would give class()).
KEYWORDS = {"class", "default", "delete", "new", "operator", "private", "public", "register",
            "template", "this", "union", "virtual"}


def qt_type(signature):
    if signature not in NAMED:
        sys.exit(f"annotate.py: no Qt type for the D-Bus signature {signature}")
    return NAMED[signature]


def annotate(element, name):
    ET.SubElement(element, "annotation", name=name, value=qt_type(element.get("type")))


def main(source, target):
    tree = ET.parse(source)
    for interface in tree.getroot().iter("interface"):
        for prop in interface.iter("property"):
            if prop.get("type") not in KNOWN:
                annotate(prop, TYPE_NAME)
            getter = prop.get("name")[0].lower() + prop.get("name")[1:]
            if getter in KEYWORDS:
                ET.SubElement(prop, "annotation", name=GETTER, value=getter + "Value")
        for member in list(interface.iter("method")) + list(interface.iter("signal")):
            counts = {"In": 0, "Out": 0}
            for arg in member.iter("arg"):
                if arg.get("name") in KEYWORDS:
                    arg.set("name", arg.get("name") + "_")
                # Signal arguments count as outputs.
                direction = "In" if arg.get("direction") == "in" else "Out"
                if member.tag == "signal":
                    direction = "Out"
                if arg.get("type") not in KNOWN:
                    index = counts[direction]
                    ET.SubElement(member, "annotation", name=f"{TYPE_NAME}.{direction}{index}",
                                  value=qt_type(arg.get("type")))
                counts[direction] += 1
    tree.write(target, encoding="utf-8", xml_declaration=True)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
