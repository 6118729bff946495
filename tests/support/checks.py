"""Named cases of checks for the Python tests, written as a GoogleTest-like XML report so that
the test summary counts them one by one."""
import os
import xml.etree.ElementTree as ET


class Checks:
    def __init__(self, suite):
        self.suite = suite
        self.cases = []  # (name, [failure texts])
        self.current = None

    def case(self, name):
        self.current = (name, [])
        self.cases.append(self.current)

    def expect(self, condition, text):
        if not condition:
            self.current[1].append(text)
            print("FAILED [{}]: {}".format(self.current[0], text))
        return condition

    def lacks_display(self):
        """True, with a failed case, when there is no X display for the wine windows."""
        if os.environ.get("DISPLAY"):
            return False
        self.case("Environment")
        self.expect(False, "no X display: run inside xvfb-run")
        return True

    def write(self, path):
        suite = ET.Element("testsuite", name=self.suite, tests=str(len(self.cases)))
        for name, failures in self.cases:
            case = ET.SubElement(suite, "testcase", name=name, classname=self.suite,
                                 status="run")
            for failure in failures:
                ET.SubElement(case, "failure", message=failure)
        root = ET.Element("testsuites")
        root.append(suite)
        ET.ElementTree(root).write(path)
        return all(not failures for _, failures in self.cases)
