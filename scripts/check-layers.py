#!/usr/bin/env python3
"""Fails when a product file includes from a layer it may not see, when a layer below the
desktop application includes Qt, when an instruction-set header appears outside a per-ISA
kernel file (a file in a kernels/ folder), or when files include each other in a circle.

Usage: scripts/check-layers.py [SOURCE_ROOT]
"""
import os
import re
import sys

ENGINE = ['engine/base', 'engine/codec', 'engine/wav', 'engine/sndfile', 'engine/resample',
          'engine/resample/standard', 'engine/resample/hq', 'engine/resample/tempo',
          'engine/resample/builds',
          'engine/convert']
# Each layer and the layers it may include from (its own always). A folder below a layer's
# folder (kernels/) belongs to that layer.
MAY_INCLUDE = {
    'platform': [],
    'cpu': [],
    'engine/base': ['platform'],
    'engine/codec': ['engine/base', 'platform'],
    'engine/wav': ['engine/codec', 'engine/base', 'platform'],
    'engine/sndfile': ['engine/codec', 'engine/base', 'platform'],
    'engine/resample': ['engine/codec', 'engine/base'],
    'engine/resample/standard': ['engine/resample', 'engine/codec', 'engine/base'],
    'engine/resample/hq': ['engine/resample/standard', 'engine/resample', 'engine/codec',
                           'engine/base'],
    'engine/resample/tempo': ['engine/resample', 'engine/codec', 'engine/base'],
    'engine/resample/builds': ['engine/resample/hq', 'engine/resample/standard',
                               'engine/resample/tempo',
                               'engine/resample', 'engine/codec', 'engine/base'],
    'engine/convert': [l for l in ENGINE if l != 'engine/convert'] + ['platform'],
    'tools': ['engine/wav', 'engine/codec', 'engine/base', 'platform'],
    'batch': ENGINE + ['cpu', 'platform'],
    'texts': ['batch'] + ENGINE + ['cpu', 'platform'],
    'cli': ['texts', 'batch', 'tools'] + ENGINE + ['cpu', 'platform'],
    'app': ['texts', 'batch'] + ENGINE + ['cpu', 'platform'],
}
QT_ALLOWED = {'app'}
SOURCE = re.compile(r'\.(h|hpp|cpp|cc)$')
PROJECT_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.M)
QT_HEADER = re.compile(r'^(Q[A-Za-z]|Qt|qt)')
ISA_HEADER = re.compile(r'^([a-z]?mmintrin|[a-z]+intrin|arm_neon|arm_sve|riscv_vector)\.h$')


def layer_of(path):
    """The layer a path belongs to: the longest layer folder it lies in, or None."""
    folder = os.path.dirname(path)
    best = None
    for layer in MAY_INCLUDE:
        if folder == layer or folder.startswith(layer + '/'):
            if best is None or len(layer) > len(best):
                best = layer
    return best


def is_kernel_file(path):
    return '/kernels/' in path


def product_files(root):
    for layer in MAY_INCLUDE:
        top = os.path.join(root, layer)
        for folder, _, files in os.walk(top):
            for name in files:
                if SOURCE.search(name):
                    path = os.path.relpath(os.path.join(folder, name), root)
                    if layer_of(path) == layer:
                        yield path


def find_circles(units):
    """Circles among units (a header and its source file are one unit)."""
    circles, state = [], {}

    def visit(unit, stack):
        state[unit] = 'open'
        stack.append(unit)
        for target in sorted(units.get(unit, ())):
            if state.get(target) == 'open':
                circles.append(stack[stack.index(target):] + [target])
            elif target not in state:
                visit(target, stack)
        stack.pop()
        state[unit] = 'done'

    for unit in sorted(units):
        if unit not in state:
            visit(unit, [])
    return circles


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    problems, units = [], {}
    files = sorted(set(product_files(root)))
    for path in files:
        with open(os.path.join(root, path), encoding='utf-8') as f:
            text = f.read()
        layer = layer_of(path)
        allowed = {layer, *MAY_INCLUDE[layer]}
        unit = os.path.splitext(path)[0]
        for target in PROJECT_INCLUDE.findall(text):
            target_layer = layer_of(target)
            if target_layer is not None and target_layer not in allowed:
                problems.append(f'{path}: includes "{target}" from {target_layer}, '
                                f'above or beside {layer}')
            target_unit = os.path.splitext(target)[0]
            if target_unit != unit:
                units.setdefault(unit, set()).add(target_unit)
        for header in SYSTEM_INCLUDE.findall(text):
            if QT_HEADER.match(header) and layer not in QT_ALLOWED:
                problems.append(f'{path}: includes Qt (<{header}>) below the desktop application')
            if ISA_HEADER.match(os.path.basename(header)) and not is_kernel_file(path):
                problems.append(f'{path}: includes <{header}> outside a per-ISA kernel file')
    for circle in find_circles(units):
        problems.append('include circle: ' + ' -> '.join(circle))
    for problem in problems:
        print(problem, file=sys.stderr)
    print(f'check-layers: {len(files)} files, {len(problems)} problems')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
