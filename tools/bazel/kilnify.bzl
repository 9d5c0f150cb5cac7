"""Bazel rules that convert models, worlds and animations with `kiln convert`.

Every action declares all that the conversion reads: the source file, the configurations
of the addon and source folders with their included headers, model configurations,
materials and the models that proxies and worlds place. With the sandbox on, a file left
out cannot be read, so a complete declaration is what makes the actions fit for remote
execution and the remote cache.
"""

def _folder_of(files):
    """The directory (relative to the execution root) that the first of `files` lies in."""
    if not files:
        return ""
    return files[0].dirname

def _kilnify_convert_impl(ctx):
    src = ctx.file.src
    out = ctx.actions.declare_file(ctx.attr.out if ctx.attr.out else src.basename)
    args = ctx.actions.args()
    args.add("convert")
    if ctx.attr.addon_root:
        args.add("-addon=" + ctx.attr.addon_root)
    args.add("-root=" + (ctx.attr.source_root if ctx.attr.source_root else src.dirname))
    if ctx.attr.skeleton:
        args.add("-skeleton=" + ctx.attr.skeleton)
    args.add("-targetBonesInterval=%d" % ctx.attr.bones_interval)
    args.add_all(ctx.attr.options)
    args.add(src)
    args.add(out)
    ctx.actions.run(
        executable = ctx.executable.kiln,
        arguments = [args],
        inputs = depset([src] + ctx.files.data),
        outputs = [out],
        mnemonic = ctx.attr._mnemonic,
        progress_message = "Converting %s" % src.short_path,
        env = {"KILNIFY_WORK_DRIVE": "."},
    )
    return [DefaultInfo(files = depset([out]))]

def _convert_rule(mnemonic, extensions, doc):
    return rule(
        implementation = _kilnify_convert_impl,
        doc = doc,
        attrs = {
            "src": attr.label(allow_single_file = extensions, mandatory = True, doc = "The source file."),
            "out": attr.string(doc = "Output name below the package (default: the source's name)."),
            "data": attr.label_list(
                allow_files = True,
                doc = "Every other file the conversion reads: configurations and their headers, " +
                      "model.cfg files, materials, proxies' and placed models, skeleton pivots.",
            ),
            "addon_root": attr.string(doc = "Folder (from the execution root) whose configurations load first."),
            "source_root": attr.string(doc = "Source folder whose configurations load next (default: the source's folder)."),
            "skeleton": attr.string(doc = "Skeleton for animations (-skeleton=)."),
            "bones_interval": attr.int(default = 55, doc = "Bones in one model section (-targetBonesInterval=)."),
            "options": attr.string_list(doc = "Further converter options, e.g. -GX1."),
            "kiln": attr.label(executable = True, cfg = "exec", allow_single_file = True, mandatory = True),
            "_mnemonic": attr.string(default = mnemonic),
        },
    )

kilnify_model = _convert_rule("KilnifyModel", [".p3d"], "Converts one model (.p3d) into its runtime form.")
kilnify_world = _convert_rule("KilnifyWorld", [".wrp"], "Converts one world (.wrp) into its runtime form.")
kilnify_animation = _convert_rule("KilnifyAnimation", [".rtm"], "Converts one animation (.rtm), bound to a skeleton.")

def kilnify_folder(name, folder, kiln, addon_root = None, skeleton = None, animations = True, **kwargs):
    """One conversion per model, world (and animation) below `folder` of this package.

    Each conversion declares every other file of the folder as its input (configurations,
    headers, model.cfg, materials, models that proxies and worlds name): coarse, but
    complete, so that the sandbox and remote execution see all that a conversion may read.
    A filegroup `name` holds all outputs, below `name`/ in this package.
    """
    files = native.glob([folder + "/**"])
    outputs = []
    for f in files:
        lower = f.lower()
        kind = None
        if lower.endswith(".p3d"):
            kind = kilnify_model
        elif lower.endswith(".wrp"):
            kind = kilnify_world
        elif animations and lower.endswith(".rtm"):
            kind = kilnify_animation
        if kind == None:
            continue
        target = name + "_" + f.replace("/", "_").replace(".", "_")
        package = native.package_name()
        root = (package + "/" + folder) if package else folder
        kind(
            name = target,
            src = f,
            out = name + "/" + f[len(folder) + 1:],
            data = [d for d in files if d != f],
            addon_root = addon_root if addon_root else root,
            source_root = root,
            skeleton = skeleton,
            kiln = kiln,
            **kwargs
        )
        outputs.append(":" + target)
    native.filegroup(name = name, srcs = outputs)
