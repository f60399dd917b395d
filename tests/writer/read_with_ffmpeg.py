#!/usr/bin/env python3
"""Reference AVIs written by the real plug-in inside the reference host, read
back on the Linux side with ffprobe and ffmpeg, and their stream headers taken
from the RIFF structure itself.

usage: read_with_ffmpeg.py BIN_DIR EMULATOR
BIN_DIR holds zvhost.exe and the plug-in; EMULATOR runs a Windows program.
"""
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

BIN_DIR = ''
EMULATOR = ''


def windows_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def demo_sample(n, channel, rate):
    """The demo project's triangle tone, as tools/demo computes it."""
    frequency = 440 + 220 * channel
    phase = (n * frequency * 65536 // rate) & 0xFFFF
    ramp = phase if phase < 32768 else 65536 - phase
    return ramp * 16000 // 32768 - 8000


def demo_audio(start, count, channels, rate):
    return b''.join(struct.pack('<%dh' % channels,
                                *[demo_sample(n, c, rate) for c in range(channels)])
                    for n in range(start, start + count))


def slice_bound(sample_count, k, frame_count):
    # Python floats are IEEE doubles: the product and the quotient each
    # rounded to nearest, then truncated.
    return int(float(sample_count) * float(k) / float(frame_count))


class Project:
    def __init__(self, frames=30, width=64, height=48, rate=30000, scale=1001,
                 audio_rate=48000, channels=2, video=True, audio=True,
                 short=(), abort_at=None):
        self.frames, self.width, self.height = frames, width, height
        self.rate, self.scale = rate, scale
        self.audio_rate, self.channels = audio_rate, channels
        self.video, self.audio = video, audio
        self.short, self.abort_at = short, abort_at
        self.block = 2 * channels
        self.sample_count = frames * scale * audio_rate // rate

    def arguments(self):
        args = ['--frames', self.frames, '--width', self.width, '--height', self.height,
                '--rate', self.rate, '--scale', self.scale, '--audio-rate', self.audio_rate,
                '--channels', self.channels, '--serve-seconds', 0]
        if not self.video:
            args.append('--no-video')
        if not self.audio:
            args.append('--no-audio')
        for frame in self.short:
            args += ['--short-audio-frame', frame]
        if self.abort_at is not None:
            args += ['--abort-at', self.abort_at]
        return [str(a) for a in args]

    def frames_written(self):
        return self.frames if self.abort_at is None else self.abort_at

    def expected_audio(self):
        """Each delivered slice at its own start, silence where one came short
        (the host delivers half of a short slice)."""
        audio = bytearray()
        for i in range(self.frames_written()):
            first = slice_bound(self.sample_count, i, self.frames)
            end = slice_bound(self.sample_count, i + 1, self.frames)
            delivered = (end - first) // 2 if i in self.short else end - first
            if delivered == 0:
                continue
            audio.extend(bytes(first * self.block - len(audio)))
            audio.extend(demo_audio(first, delivered, self.channels, self.audio_rate))
        return bytes(audio)


def riff_stream_headers(data):
    """(strh fields, strf bytes) of each stream, in file order."""
    streams = []

    def walk(offset, end):
        while offset + 8 <= end:
            cid, size = struct.unpack_from('<4sI', data, offset)
            if cid in (b'RIFF', b'LIST'):
                if data[offset + 8:offset + 12] in (b'AVI ', b'hdrl', b'strl'):
                    walk(offset + 12, offset + 8 + size)
            elif cid == b'strh':
                names = ('fccType fccHandler dwFlags wPriority wLanguage dwInitialFrames '
                         'dwScale dwRate dwStart dwLength dwSuggestedBufferSize dwQuality '
                         'dwSampleSize').split()
                streams.append([dict(zip(names, struct.unpack_from('<4s4sIHHIIIIIIII', data,
                                                                   offset + 8))), None])
            elif cid == b'strf':
                streams[-1][1] = data[offset + 8:offset + 8 + size]
            offset += 8 + size + (size & 1)

    walk(0, len(data))
    return streams


def run(*args):
    return subprocess.run(list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=300)


class ReadWithFfmpeg(unittest.TestCase):
    projects = {
        'uneven slices, both streams': Project(),
        'a short delivery in the middle': Project(short=(7,)),
        'a short first delivery': Project(short=(0, 1)),
        'only audio, 3 channels at 44.1 kHz': Project(frames=12, video=False, channels=3,
                                                      audio_rate=44100),
        'only video': Project(frames=17, audio=False),
        'no frames': Project(frames=0),
        'aborted before frame 4': Project(abort_at=4),
    }

    def write(self, project, folder):
        path = os.path.join(folder, 'ref.avi')
        result = run(EMULATOR, os.path.join(BIN_DIR, 'zvhost.exe'),
                     '--output', windows_path(path), *project.arguments())
        expected_exit = 0 if project.abort_at is None else 1
        self.assertEqual(result.returncode, expected_exit, result.stdout.decode(errors='replace'))
        return path

    def check_headers(self, project, path):
        with open(path, 'rb') as f:
            streams = riff_stream_headers(f.read())
        kinds = [s[0]['fccType'] for s in streams]
        self.assertEqual(kinds, [b'vids'] * project.video + [b'auds'] * project.audio)
        if project.video:
            header, form = streams[0]
            self.assertEqual((header['fccHandler'], header['dwScale'], header['dwRate']),
                             (b'ZVNR', project.scale, project.rate))
            self.assertEqual(header['dwQuality'], 0)
            self.assertEqual(form, struct.pack('<IiiHHIIiiII', 40, project.width, project.height,
                                               1, 24, 0x524E565A, 0, 0, 0, 0, 0))
        if project.audio:
            header, form = streams[-1]
            self.assertEqual((header['dwScale'], header['dwRate'], header['dwSampleSize']),
                             (project.block, project.block * project.audio_rate, project.block))
            # In sample frames, up to the last one delivered, whatever the
            # platform's AVIFile counted.
            self.assertEqual((header['dwStart'], header['dwLength']),
                             (0, len(project.expected_audio()) // project.block))
            self.assertEqual(form, struct.pack('<HHIIHHH', 1, project.channels, project.audio_rate,
                                               project.audio_rate * project.block, project.block,
                                               16, 0))

    def check_probe(self, project, path):
        probe = json.loads(run('ffprobe', '-v', 'error', '-show_streams', '-of', 'json',
                               path).stdout)['streams']
        types = [s['codec_type'] for s in probe]
        self.assertEqual(types, ['video'] * project.video + ['audio'] * project.audio)
        if project.video:
            video = probe[0]
            self.assertEqual(video['codec_tag_string'], 'ZVNR')
            self.assertEqual((video['width'], video['height']), (project.width, project.height))
            self.assertEqual(video['r_frame_rate'], '%d/%d' % (project.rate, project.scale))
        if project.audio:
            audio = probe[-1]
            self.assertEqual(audio['codec_name'], 'pcm_s16le')
            self.assertEqual((audio['channels'], int(audio['sample_rate'])),
                             (project.channels, project.audio_rate))

    def check_video(self, project, path):
        packets = run('ffprobe', '-v', 'error', '-select_streams', 'v', '-show_entries',
                      'packet=pts', '-of', 'csv=p=0', path).stdout.split()
        count = project.frames_written()
        self.assertEqual([int(p) for p in packets], list(range(count)))
        data = run('ffmpeg', '-v', 'error', '-i', path, '-map', '0:v', '-c', 'copy', '-f',
                   'rawvideo', '-').stdout
        self.assertEqual(data, b''.join(struct.pack('<i', n) for n in range(count)))

    def check_audio(self, project, path):
        data = run('ffmpeg', '-v', 'error', '-i', path, '-map', '0:a', '-c:a', 'pcm_s16le',
                   '-f', 's16le', '-').stdout
        expected = project.expected_audio()
        self.assertEqual(len(data), len(expected))
        self.assertTrue(data == expected, 'the audio differs from what the host delivered')

    def test_projects(self):
        for name, project in self.projects.items():
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                path = self.write(project, folder)
                self.check_headers(project, path)
                self.check_probe(project, path)
                if project.video:
                    self.check_video(project, path)
                if project.audio:
                    self.check_audio(project, path)


if __name__ == '__main__':
    BIN_DIR, EMULATOR = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
