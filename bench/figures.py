"""What every benchmark prints: one line of min, median and max per figure."""

import statistics


def summary(name: str, unit: str, values: list[float], width: int = 34, digits: int = 2) -> str:
    return (f"{name:<{width}} min {min(values):{digits + 6}.{digits}f}  "
            f"median {statistics.median(values):{digits + 6}.{digits}f}  "
            f"max {max(values):{digits + 6}.{digits}f} {unit}")
