-- SPDX-License-Identifier: GPL-3.0-or-later
-- Version 3 to 4: a child is kept by a lasting identity, which the game gives a child when it is
-- added and keeps through a rename, so a renamed child stays one child with all its rounds. Rows
-- are kept. Run as a superuser (postgres):
--   psql -d kvadrilka -f school-3-to-4.sql
-- Games of version 3 go on adding rounds as before; they send no identity, so their children are
-- found by account and name as before.
\set ON_ERROR_STOP on
BEGIN;

-- Stops with nothing changed when the database is not at version 3.
DO $$
BEGIN
    IF (SELECT version FROM schema_version) IS DISTINCT FROM 3 THEN
        RAISE EXCEPTION 'this step needs schema version 3, the database has %',
            (SELECT version FROM schema_version);
    END IF;
END
$$;

-- Each child gets the server's own key; account and name stay unique, and the rounds follow
-- their child's name when it changes.
DO $$
DECLARE
    by_name name;
BEGIN
    SELECT conname INTO STRICT by_name FROM pg_constraint
    WHERE conrelid = 'public.rounds'::regclass AND confrelid = 'public.children'::regclass
    AND contype = 'f';
    EXECUTE format('ALTER TABLE public.rounds DROP CONSTRAINT %I', by_name);
END
$$;
ALTER TABLE children ADD COLUMN id uuid NOT NULL DEFAULT gen_random_uuid();
ALTER TABLE children DROP CONSTRAINT children_pkey;
ALTER TABLE children ADD PRIMARY KEY (id);
ALTER TABLE children ADD CONSTRAINT children_by_name UNIQUE (account, name_key);
ALTER TABLE rounds ADD CONSTRAINT rounds_child FOREIGN KEY (account, name_key)
    REFERENCES children (account, name_key) ON UPDATE CASCADE;

-- The identities the games know a child by: one per diary the child is in (a pupil who plays on
-- two machines has two), with the name that diary last sent for it. Only the pupils' function
-- reads and writes it.
CREATE TABLE child_identities (
    identity uuid PRIMARY KEY,
    child uuid NOT NULL REFERENCES children ON DELETE CASCADE,
    name text NOT NULL
);
CREATE INDEX child_identities_by_child ON child_identities (child);
ALTER TABLE child_identities OWNER TO kvadrilka_owner;
REVOKE ALL ON child_identities FROM PUBLIC;

-- As version 3, and the child may also bring "identity" (a UUID):
--   "child": {"account", "name_key", "name", "identity"}
-- An identity new to the server joins the child of the same account and name_key, or a new one;
-- a known identity finds its child whatever its name now, and when it brings another name than
-- before, the child was renamed in that diary: the child takes the new name, and joins the child
-- that already has it, if one does. Without an identity (a game of version 3) the child is found
-- by account and name_key.
CREATE OR REPLACE FUNCTION kvadrilka_add_round(round jsonb) RETURNS boolean
    LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    sender name := session_user;
    for_account text := round -> 'child' ->> 'account';
    child_key text := round -> 'child' ->> 'name_key';
    child_name text := round -> 'child' ->> 'name';
    given text := round -> 'child' ->> 'identity';
    given_identity uuid;
    known public.child_identities;
    its_child public.children;
    named public.children;
    its_targets jsonb := coalesce(round -> 'targets', '[]');
    played public.rounds;
BEGIN
    IF NOT pg_has_role(sender, 'kvadrilka_pupils', 'MEMBER') THEN
        RAISE EXCEPTION 'the role % does not add rounds', sender
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    IF round ? 'login' AND round ->> 'login' IS DISTINCT FROM sender::text THEN
        RAISE EXCEPTION 'a round is sent by the role logged in, %', sender
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    -- A pupil who logs in as themselves writes their own account; a shared account writes only
    -- accounts that are nobody's own login, or it would write into that pupil's rounds.
    IF pg_has_role(sender, 'kvadrilka_own_rounds', 'MEMBER') THEN
        IF for_account IS DISTINCT FROM sender::text THEN
            RAISE EXCEPTION 'the role % adds rounds of its own account only', sender
                USING ERRCODE = 'insufficient_privilege';
        END IF;
    ELSIF EXISTS (SELECT FROM pg_roles r
                  WHERE r.rolname = for_account AND r.rolcanlogin
                  AND pg_has_role(r.oid, 'kvadrilka_own_rounds', 'MEMBER')) THEN
        RAISE EXCEPTION 'the account % is the own login of a pupil: only they add its rounds',
            for_account USING ERRCODE = 'insufficient_privilege';
    END IF;

    -- What the game never sends.
    IF jsonb_typeof(its_targets) IS DISTINCT FROM 'array' THEN
        RAISE EXCEPTION 'the targets of a round are an array' USING ERRCODE = 'check_violation';
    END IF;
    IF jsonb_array_length(its_targets) > 30 THEN
        RAISE EXCEPTION 'a round has at most 30 targets, not %', jsonb_array_length(its_targets)
            USING ERRCODE = 'check_violation';
    END IF;
    played := jsonb_populate_record(NULL::public.rounds, round);
    IF played.level IS NULL OR played.level NOT BETWEEN 1 AND 4 THEN
        RAISE EXCEPTION 'level % is none of the game''s (1 to 4)', played.level
            USING ERRCODE = 'check_violation';
    END IF;
    IF EXISTS (SELECT FROM jsonb_array_elements(its_targets) t
               WHERE t ? 'round_uuid' AND (t ->> 'round_uuid')::uuid IS DISTINCT FROM played.uuid)
    THEN
        RAISE EXCEPTION 'a target belongs to the round it is sent with'
            USING ERRCODE = 'check_violation';
    END IF;
    IF given IS NOT NULL THEN
        IF given !~* '^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$' THEN
            RAISE EXCEPTION 'the identity of a child is a UUID' USING ERRCODE = 'check_violation';
        END IF;
        given_identity := given::uuid;
    END IF;

    -- Whose round: the child this identity joined before, whatever it is called now.
    IF given_identity IS NOT NULL THEN
        SELECT * INTO known FROM public.child_identities i WHERE i.identity = given_identity
        FOR UPDATE;
        IF FOUND THEN
            SELECT * INTO its_child FROM public.children c WHERE c.id = known.child FOR UPDATE;
            IF its_child.account IS DISTINCT FROM for_account THEN
                RAISE EXCEPTION 'the child % is of another account', given_identity
                    USING ERRCODE = 'insufficient_privilege';
            END IF;
        END IF;
    END IF;
    IF its_child.id IS NULL THEN
        -- The child of this account and name, from another machine or an older game; else a
        -- new one.
        INSERT INTO public.children (account, name_key, name)
        VALUES (for_account, child_key, child_name)
        ON CONFLICT (account, name_key) DO NOTHING;
        SELECT * INTO its_child FROM public.children c
        WHERE c.account = for_account AND c.name_key = child_key FOR UPDATE;
        IF given_identity IS NOT NULL THEN
            INSERT INTO public.child_identities (identity, child, name)
            VALUES (given_identity, its_child.id, child_name)
            ON CONFLICT (identity) DO NOTHING;
        END IF;
    ELSIF known.name IS DISTINCT FROM child_name THEN
        -- Renamed in its diary. Another child of that account with the new name is the same
        -- child, by the rule an identity new to the server joins by: the two become one.
        IF child_key IS DISTINCT FROM its_child.name_key THEN
            SELECT * INTO named FROM public.children c
            WHERE c.account = for_account AND c.name_key = child_key FOR UPDATE;
            IF FOUND THEN
                UPDATE public.rounds r SET name_key = child_key
                WHERE r.account = for_account AND r.name_key = its_child.name_key;
                UPDATE public.child_identities i SET child = named.id WHERE i.child = its_child.id;
                DELETE FROM public.children c WHERE c.id = its_child.id;
                its_child := named;
            END IF;
        END IF;
        -- Its rounds follow the name (ON UPDATE CASCADE).
        UPDATE public.children c SET name_key = child_key, name = child_name
        WHERE c.id = its_child.id;
        its_child.name_key := child_key;
        UPDATE public.child_identities i SET name = child_name WHERE i.identity = given_identity;
    END IF;

    INSERT INTO public.rounds (uuid, account, name_key, started, utc_offset_s, level, right_button,
                               double_click, ending, score, grade, median_hit_ms, misses,
                               penalties, throughput, reaction_ms, login)
    VALUES (played.uuid, for_account, its_child.name_key, played.started, played.utc_offset_s,
            played.level, played.right_button, played.double_click, played.ending, played.score,
            played.grade, played.median_hit_ms, played.misses, played.penalties,
            played.throughput, played.reaction_ms, sender)
    ON CONFLICT (uuid) DO NOTHING;
    IF NOT FOUND THEN
        -- Sent before, and the answer lost on the way back; targets are added with their round
        -- only, never to one already there.
        IF EXISTS (SELECT FROM public.rounds r
                   WHERE r.uuid = played.uuid AND r.login = sender AND r.account = for_account)
        THEN
            RETURN false;
        END IF;
        RAISE EXCEPTION 'the server has round % from another sender', played.uuid
            USING ERRCODE = 'unique_violation';
    END IF;
    INSERT INTO public.targets (round_uuid, position, number, shown_at_ms, hit_after_ms, penalties,
                                misses, distance, width, start_x, start_y, centre_x, centre_y,
                                click_x, click_y, moved_after_ms)
    SELECT played.uuid, e.n - 1, t.number, t.shown_at_ms, t.hit_after_ms, t.penalties, t.misses,
           t.distance, t.width, t.start_x, t.start_y, t.centre_x, t.centre_y, t.click_x,
           t.click_y, t.moved_after_ms
    FROM jsonb_array_elements(its_targets) WITH ORDINALITY AS e(target, n),
         jsonb_populate_record(NULL::public.targets, e.target) AS t;
    RETURN true;
END
$$;
ALTER FUNCTION kvadrilka_add_round(jsonb) OWNER TO kvadrilka_owner;
REVOKE ALL ON FUNCTION kvadrilka_add_round(jsonb) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION kvadrilka_add_round(jsonb) TO kvadrilka_pupils;

UPDATE schema_version SET version = 4;

COMMIT;
