-- Package QXVERPINFORM: information items attached to objects (OBJTYPE 1: a location).

-- Children are counted in one grouped pass rather than one count per row, which the
-- planner may turn into a scan of the table per row when most items have no parent.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPINFORM.GET_T#INFORMATION"("POBJTYPE" integer, "POBJID" integer,
                                                                    "PID_PARENT" integer)
RETURNS TABLE ("ID" integer, "ID_PARENT" integer, "INFOTYPE" integer, "VALUE" varchar, "DESCRIPTION" varchar,
               "ACTIVE" integer, "CHILD_CNT" integer, "VERSION" integer, "CHANGED_BY" varchar,
               "CHANGED_AT" varchar)
LANGUAGE sql STABLE AS $body$
  WITH items AS (
    SELECT i.id, i.id_parent, i.infotype, i.value, i.description, i.active, i.version, i.changed_by,
           i.changed_at
    FROM @SCHEMA@.information i
    WHERE i.objtype = "POBJTYPE" AND i.objid = @SCHEMA@.object_id("POBJTYPE", "POBJID")
      AND CASE WHEN "PID_PARENT" IS NULL OR "PID_PARENT" < 1 THEN i.id_parent IS NULL
               ELSE i.id_parent = "PID_PARENT" END
  )
  SELECT it.id, it.id_parent, it.infotype, it.value, it.description, it.active, coalesce(cc.n, 0)::integer,
         it.version, it.changed_by, it.changed_at
  FROM items it
  LEFT JOIN (SELECT c.id_parent, count(*) AS n
             FROM @SCHEMA@.information c
             WHERE c.id_parent IN (SELECT id FROM items)
             GROUP BY c.id_parent) cc ON cc.id_parent = it.id
  ORDER BY it.id
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPINFORM.INS_T#INFORMATION"("POBJTYPE" integer, "POBJID" integer,
    "PID_PARENT" integer, "PINFOTYPE" integer, "PVALUE" varchar, "PDESCRIPTION" varchar, "PACTIVE" integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_id integer;
BEGIN
  "POBJID" := @SCHEMA@.object_id("POBJTYPE", "POBJID");
  PERFORM @SCHEMA@.require_right(ARRAY[3]);
  IF "POBJID" IS NULL OR "POBJID" < 1 THEN
    RETURN -1;  -- an item always belongs to an object
  END IF;
  -- An item of a place needs the place: one another session has just deleted takes none.
  IF "POBJTYPE" = 1 AND NOT EXISTS (SELECT 1 FROM @SCHEMA@.location WHERE id = "POBJID") THEN
    RAISE EXCEPTION 'ORA-02291: integrity constraint (%.FK_INFORMATION_LOCATION) violated - parent key not found',
      upper('@SCHEMA_NAME@') USING ERRCODE = '23503';
  END IF;
  INSERT INTO @SCHEMA@.information (objtype, objid, id_parent, infotype, value, description, active)
  VALUES ("POBJTYPE", "POBJID", CASE WHEN "PID_PARENT" < 1 THEN NULL ELSE "PID_PARENT" END,
          "PINFOTYPE", "PVALUE", "PDESCRIPTION", "PACTIVE")
  RETURNING id INTO v_id;
  PERFORM @SCHEMA@.journal_close(@SCHEMA@.journal_open('ITEM', 'ADD', ARRAY[v_id]));
  RETURN v_id;
END
$body$;

-- True when p_candidate is the item p_id itself or lies below it.
CREATE OR REPLACE FUNCTION @SCHEMA@.information_is_in_subtree(p_candidate integer, p_id integer)
RETURNS boolean
LANGUAGE sql STABLE AS $body$
  WITH RECURSIVE up (id, id_parent, depth) AS (
    SELECT i.id, i.id_parent, 0 FROM @SCHEMA@.information i WHERE i.id = p_candidate
    UNION ALL
    SELECT p.id, p.id_parent, u.depth + 1
    FROM @SCHEMA@.information p JOIN up u ON p.id = u.id_parent
    WHERE u.depth < 1000
  )
  SELECT EXISTS (SELECT 1 FROM up WHERE id = p_id)
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@.information_require_version(p_id integer, p_version integer)
RETURNS void
LANGUAGE sql AS $body$
  SELECT @SCHEMA@.require_version('information', p_id, p_version,
    'Информация изменена пользователем %s в %s', 'Информация удалена другим пользователем')
$body$;

DROP FUNCTION IF EXISTS @SCHEMA@."QXVERPINFORM.UPD_T#INFORMATION"(integer, integer, integer, integer,
                                                                  varchar, varchar, integer);
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPINFORM.UPD_T#INFORMATION"("POBJTYPE" integer, "POBJID" integer,
    "PID" integer, "PID_PARENT" integer, "PVALUE" varchar, "PDESCRIPTION" varchar, "PACTIVE" integer,
    "PVERSION" integer DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_parent integer := CASE WHEN "PID_PARENT" < 1 THEN NULL ELSE "PID_PARENT" END;
  v_old_parent integer;
  v_journal jsonb;
BEGIN
  "POBJID" := @SCHEMA@.object_id("POBJTYPE", "POBJID");
  PERFORM @SCHEMA@.require_right(ARRAY[3]);
  SELECT id_parent INTO v_old_parent FROM @SCHEMA@.information
  WHERE id = "PID" AND objtype = "POBJTYPE" AND objid = "POBJID";
  IF NOT FOUND THEN
    PERFORM @SCHEMA@.information_require_version("PID", "PVERSION");  -- gone: says so
    RETURN -1;
  END IF;
  IF v_parent IS DISTINCT FROM v_old_parent THEN
    -- Read after the lock: a move another session just committed is seen here. The tree's
    -- lock comes before the item's, as in the delete.
    PERFORM @SCHEMA@.lock_tree('information');
    PERFORM @SCHEMA@.information_require_version("PID", "PVERSION");
    IF v_parent IS NOT NULL AND @SCHEMA@.information_is_in_subtree(v_parent, "PID") THEN
      RETURN -1;
    END IF;
  ELSE
    PERFORM @SCHEMA@.information_require_version("PID", "PVERSION");
  END IF;
  v_journal := @SCHEMA@.journal_open('ITEM', 'EDIT', ARRAY["PID"]);
  UPDATE @SCHEMA@.information
  SET id_parent = v_parent, value = "PVALUE", description = "PDESCRIPTION", active = "PACTIVE"
  WHERE id = "PID" AND objtype = "POBJTYPE" AND objid = "POBJID";
  IF NOT FOUND THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN "PID";
END
$body$;

-- The item goes with everything below it, in one statement: the parent key is checked
-- at its end, when the whole subtree is gone.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPINFORM.DEL_T#INFORMATION"("POBJTYPE" integer, "POBJID" integer,
                                                                    "PID" integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_ids integer[];
  v_journal jsonb;
BEGIN
  "POBJID" := @SCHEMA@.object_id("POBJTYPE", "POBJID");
  PERFORM @SCHEMA@.require_right(ARRAY[4, 3, 2]);
  IF NOT EXISTS (SELECT 1 FROM @SCHEMA@.information
                 WHERE id = "PID" AND objtype = "POBJTYPE" AND objid = "POBJID") THEN
    RETURN -1;
  END IF;
  -- Moves take the tree's lock before they lock the item they move and its new parent; a
  -- delete that locked the subtree's rows first could hold the parent a move waits for.
  PERFORM @SCHEMA@.lock_tree('information');
  -- An item another session has just put below the subtree makes the delete fail on the
  -- parent key: the subtree is read again (each statement sees what is committed) and the
  -- delete repeated.
  FOR attempt IN 1..10 LOOP
    BEGIN
      WITH RECURSIVE down (id, depth) AS (
        SELECT i.id, 0 FROM @SCHEMA@.information i WHERE i.id = "PID"
        UNION ALL
        SELECT c.id, d.depth + 1
        FROM @SCHEMA@.information c JOIN down d ON c.id_parent = d.id
        WHERE d.depth < 1000
      )
      SELECT array_agg(id ORDER BY id) INTO v_ids FROM down;
      v_journal := @SCHEMA@.journal_open('ITEM', 'DELETE', v_ids);
      DELETE FROM @SCHEMA@.information WHERE id = ANY (v_ids);
      PERFORM @SCHEMA@.journal_close(v_journal);
      RETURN 1;
    EXCEPTION WHEN foreign_key_violation THEN
      IF attempt = 10 THEN
        RAISE;
      END IF;
    END;
  END LOOP;
  RETURN 1;
END
$body$;
