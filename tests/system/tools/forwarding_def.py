"""Prints a module-definition file for a stand-in of a system DLL: every
export of the system's copy (named, or by ordinal alone) forwarded to that
copy by its full path, so that the stand-in serves as the real one does.

    forwarding_def.py SYSTEM_COPY WINDOWS_FOLDER
      SYSTEM_COPY     the system's DLL as a file here (its exports are read)
      WINDOWS_FOLDER  its folder as the Windows program sees it (C:\\windows\\system32)
"""
import os
import struct
import sys


def exports(path):
    """(ordinal, name or None) of every exported function of a PE file."""
    data = open(path, "rb").read()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    sections = struct.unpack_from("<H", data, header + 6)[0]
    optional_size = struct.unpack_from("<H", data, header + 20)[0]
    optional = header + 24
    pe32_plus = struct.unpack_from("<H", data, optional)[0] == 0x20B
    directory_rva = struct.unpack_from("<I", data, optional + (112 if pe32_plus else 96))[0]
    table = []
    for i in range(sections):
        at = optional + optional_size + 40 * i
        virtual_size, address, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
        table.append((address, max(virtual_size, raw_size), raw_at))

    def offset(rva):
        for address, size, raw_at in table:
            if address <= rva < address + size:
                return rva - address + raw_at
        raise ValueError("address %#x lies in no section" % rva)

    if not directory_rva:
        return []
    directory = offset(directory_rva)
    base, functions, names, function_table, name_table, ordinal_table = struct.unpack_from(
        "<IIIIII", data, directory + 16)
    named = {}
    for i in range(names):
        name_at = offset(struct.unpack_from("<I", data, offset(name_table) + 4 * i)[0])
        index = struct.unpack_from("<H", data, offset(ordinal_table) + 2 * i)[0]
        named[index] = data[name_at:data.index(b"\0", name_at)].decode()
    return [(base + i, named.get(i)) for i in range(functions)
            if struct.unpack_from("<I", data, offset(function_table) + 4 * i)[0]]


def main():
    system_copy, folder = sys.argv[1], sys.argv[2]
    file_name = os.path.basename(system_copy)
    module = os.path.join(folder, os.path.splitext(file_name)[0]).replace("/", "\\")
    print("LIBRARY %s" % file_name)
    print("EXPORTS")
    for ordinal, name in exports(system_copy):
        if name:
            print('  %s = "%s.%s" @%d' % (name, module, name, ordinal))
        else:
            print('  ordinal%d = "%s.#%d" @%d NONAME' % (ordinal, module, ordinal, ordinal))


if __name__ == "__main__":
    main()
