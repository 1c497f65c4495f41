"""What installer/policy/Trevlin.admx writes into the registry: for each policy its key,
value name, and the registry data each choice gives. The release checks hold them
against what the saver reads; the Wine tests write them and watch the saver."""

from __future__ import annotations

import xml.etree.ElementTree as ET
from dataclasses import dataclass
from pathlib import Path

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}


@dataclass(frozen=True)
class Policy:
    key: str  # under HKLM or HKCU, as its class says
    value_name: str
    values: dict[str, tuple[str, str]]  # choice: (registry type, data)


def _data(value: ET.Element) -> tuple[str, str]:
    (child,) = list(value)
    kind = child.tag.split("}")[1]
    return ("REG_DWORD", child.get("value")) if kind == "decimal" else ("REG_SZ", child.text or "")


def admx_policies(admx: Path) -> dict[str, Policy]:
    policies = {}
    for policy in ET.parse(admx).getroot().iterfind(".//p:policy", NS):
        key, values = policy.get("key"), {}
        name = policy.get("valueName")
        for choice in ("enabled", "disabled"):
            found = policy.find(f"p:{choice}Value", NS)
            if found is not None:
                values[choice] = _data(found)
        for enum in policy.iterfind("p:elements/p:enum", NS):
            name = enum.get("valueName")
            for item in enum.iterfind("p:item", NS):
                data = _data(item.find("p:value", NS))
                values[data[1]] = data
        policies[policy.get("name")] = Policy(key, name, values)
    return policies
