"""The policy templates (installer/policy, which tools/package copies to dist/policy):
well-formed ADMX and ADML, every string and presentation the ADMX names is in the ADML,
and each policy writes the key, value name, type and values the saver reads
(installer/policy_values.py gives them to the Wine tests, which apply them and watch the
saver)."""

from __future__ import annotations

import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "installer"))
import packaging  # noqa: E402
from policy_values import admx_policies  # noqa: E402

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
ADMX = packaging.POLICY_SOURCES / "Trevlin.admx"
ADML = packaging.POLICY_SOURCES / "en-US" / "Trevlin.adml"


def saver_reads() -> tuple[str, dict[str, str]]:
    """The key and the value names the saver reads, from its source."""
    key = re.search(r'kKey\[\] = L"([^"]+)"', (REPO / "src/platform/win32/policies.cpp").read_text())
    names = re.findall(r'k(\w+)Policy = L"(\w+)"', (REPO / "src/settings/policy.h").read_text())
    return key.group(1).replace("\\\\", "\\"), {value: setting.lower() for setting, value in names}


def test_templates_are_whole_and_refer_only_to_what_the_adml_holds():
    admx, adml = ET.parse(ADMX).getroot(), ET.parse(ADML).getroot()
    for part in ("policyNamespaces", "resources", "categories", "policies"):
        assert admx.find(f"p:{part}", NS) is not None, part
    strings = {s.get("id") for s in adml.iterfind(".//p:stringTable/p:string", NS)}
    presentations = {p.get("id"): p for p in adml.iterfind(".//p:presentationTable/p:presentation", NS)}
    text = ADMX.read_text(encoding="utf-8")
    assert set(re.findall(r"\$\(string\.(\w+)\)", text)) - strings == set()
    assert set(re.findall(r"\$\(presentation\.(\w+)\)", text)) - set(presentations) == set()
    categories = {c.get("name") for c in admx.iterfind(".//p:category", NS)}
    for policy in admx.iterfind(".//p:policy", NS):
        assert policy.find("p:parentCategory", NS).get("ref") in categories
        ids = {e.get("id") for e in policy.iterfind("p:elements/*", NS)}
        shown = policy.get("presentation")
        if shown:
            refs = {c.get("refId") for c in presentations[shown[len("$(presentation."):-1]]}
            assert refs == ids, policy.get("name")


def test_each_policy_writes_a_value_the_saver_reads():
    key, names = saver_reads()
    policies = admx_policies(ADMX)
    assert sorted(policies) == sorted(names)
    for name, policy in policies.items():
        assert (policy.key, policy.value_name) == (key, name)
    assert policies["Sound"].values == {"enabled": ("REG_DWORD", "1"), "disabled": ("REG_DWORD", "0")}
    assert policies["Monitors"].values == {"all": ("REG_SZ", "all"), "primary": ("REG_SZ", "primary"),
                                           "span": ("REG_SZ", "span")}

